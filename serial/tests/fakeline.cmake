# The dispatcher over an in-memory line: no pseudo-terminal, no Qt, so these
# run on Linux and, in the Windows cross build, under Wine.
zelor_add_gtest(serial_fakeline_test LABEL serial
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FakeLine_test.cpp ${CMAKE_CURRENT_LIST_DIR}/DispatcherDriver.h
    ${CMAKE_CURRENT_LIST_DIR}/FakeSerialDevice.h ${CMAKE_CURRENT_LIST_DIR}/QueueNotifyTarget.h
  LIBS zelor_serial)
