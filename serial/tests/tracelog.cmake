zelor_add_gtest(tracelog_test LABEL serial
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tracelog_test.cpp
  LIBS zelor_serial)
target_compile_definitions(tracelog_test PRIVATE ZELOR_FIXTURES="${CMAKE_CURRENT_LIST_DIR}/fixtures")
