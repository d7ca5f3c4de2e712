# The Windows serial device, run under Wine on simulated COM ports.
if(NOT WIN32)
  return()
endif()
zelor_add_gtest(platform_win32_serialdevice_test LABEL platform
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Win32SerialDevice_test.cpp ${CMAKE_CURRENT_LIST_DIR}/WineEnvironment.h
  LIBS zelor_serialdevice TIMEOUT 120)
