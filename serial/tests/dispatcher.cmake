# Over pseudo-terminals of this machine: POSIX systems only.
if(WIN32 OR NOT ZELOR_WITH_QT)
  return()
endif()
zelor_add_gtest(serial_dispatcher_test LABEL serial
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Dispatcher_test.cpp ${CMAKE_CURRENT_LIST_DIR}/PtyPair.h
    ${CMAKE_CURRENT_LIST_DIR}/DispatcherDriver.h
  LIBS zelor_serial TIMEOUT 600)
