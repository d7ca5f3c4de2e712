zelor_add_gtest(serial_triggers_test LABEL serial
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Triggers_test.cpp ${CMAKE_CURRENT_LIST_DIR}/OutputRing_test.cpp
  LIBS zelor_serial)
zelor_add_gtest(serial_dispatcher_test LABEL serial
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Dispatcher_test.cpp ${CMAKE_CURRENT_LIST_DIR}/PtyPair.h
    ${CMAKE_CURRENT_LIST_DIR}/FakeSerialDevice.h
  LIBS zelor_serial TIMEOUT 600)
