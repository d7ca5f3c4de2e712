# Needs Qt.
if(NOT ZELOR_WITH_QT)
  return()
endif()
zelor_add_gtest(platform_inifile_test LABEL platform
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/IniFile_test.cpp
  LIBS zelor_platform)
target_compile_definitions(platform_inifile_test PRIVATE
  ZELOR_PLATFORM_FIXTURES="${CMAKE_CURRENT_LIST_DIR}/fixtures")
