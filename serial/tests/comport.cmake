# Needs Qt.
if(NOT ZELOR_WITH_QT)
  return()
endif()
zelor_add_gtest(serial_comport_test LABEL serial
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ComPort_test.cpp ${CMAKE_CURRENT_LIST_DIR}/PortValidation_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ComPortTestSupport.h ${CMAKE_CURRENT_LIST_DIR}/PtyPair.h
  LIBS zelor_serial TIMEOUT 600)
