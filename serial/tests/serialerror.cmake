zelor_add_gtest(serialerror_test LABEL serial
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/serialerror_test.cpp
  LIBS zelor_serial)
