zelor_add_gtest(instrument_cfgspect_test LABEL instrument
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Cfgspect_test.cpp
  LIBS zelor_instrument)
target_compile_definitions(instrument_cfgspect_test PRIVATE
  ZELOR_INSTRUMENT_FIXTURES="${CMAKE_CURRENT_LIST_DIR}/fixtures")
