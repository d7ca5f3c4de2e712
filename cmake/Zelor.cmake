# zelor_add_gtest(<name> LABEL <folder> SOURCES <files...> [LIBS <libs...>]
#                 [GUI] [ENVIRONMENT <VAR=value...>] [TIMEOUT <seconds>])
#
# One GoogleTest program, registered with CTest under the label of its folder.
# The program's main() creates a QCoreApplication (or a QApplication with GUI)
# so that tests can use event loops; GUI tests run on the offscreen platform.
# In a cross build the test runs through CMAKE_CROSSCOMPILING_EMULATOR (Wine).
function(zelor_add_gtest name)
  cmake_parse_arguments(T "GUI" "LABEL;TIMEOUT" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
  if(NOT T_LABEL)
    message(FATAL_ERROR "zelor_add_gtest(${name}): LABEL is required")
  endif()
  add_executable(${name} ${T_SOURCES})
  if(T_GUI)
    target_link_libraries(${name} PRIVATE zelor_test_main_gui)
  else()
    target_link_libraries(${name} PRIVATE zelor_test_main_core)
  endif()
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES
    LABELS "${T_LABEL}"
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${T_ENVIRONMENT};${ZELOR_WINE_ENVIRONMENT}")
  if(ZELOR_WINEPREFIX)
    # One prefix and one set of simulated ports for all: one test at a time.
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine)
  endif()
endfunction()

add_library(zelor_test_main_core STATIC ${CMAKE_CURRENT_LIST_DIR}/test_main.cpp)
if(ZELOR_WITH_QT)
  target_link_libraries(zelor_test_main_core PUBLIC Qt6::Core GTest::gtest)
  add_library(zelor_test_main_gui STATIC ${CMAKE_CURRENT_LIST_DIR}/test_main.cpp)
  target_compile_definitions(zelor_test_main_gui PRIVATE ZELOR_TEST_GUI)
  target_link_libraries(zelor_test_main_gui PUBLIC Qt6::Widgets GTest::gtest)
else()
  target_compile_definitions(zelor_test_main_core PRIVATE ZELOR_TEST_NO_QT)
  target_link_libraries(zelor_test_main_core PUBLIC GTest::gtest)
endif()
