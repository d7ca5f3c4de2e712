# Needs Qt.
if(NOT ZELOR_WITH_QT)
  return()
endif()
zelor_add_gtest(platform_singleinstance_test LABEL platform
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SingleInstance_test.cpp
  LIBS zelor_platform)
