# Needs Qt.
if(NOT ZELOR_WITH_QT)
  return()
endif()
zelor_add_gtest(comselect_test LABEL serial GUI
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/comselect_test.cpp
  LIBS zelor_serial_ui)
