# The serial layer on the Windows device, run under Wine on simulated ports.
if(NOT WIN32)
  return()
endif()
zelor_add_gtest(serial_wineport_test LABEL serial
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/WinePort_test.cpp ${CMAKE_CURRENT_LIST_DIR}/QueueNotifyTarget.h
  LIBS zelor_serial TIMEOUT 300)
