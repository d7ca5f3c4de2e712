zelor_add_gtest(serial_triggers_test LABEL serial
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Triggers_test.cpp ${CMAKE_CURRENT_LIST_DIR}/OutputRing_test.cpp
  LIBS zelor_serial)
