# The holder of a locked serial device, from the kernel's lock table. Needs Qt.
if(NOT ZELOR_WITH_QT)
  return()
endif()
zelor_add_gtest(platform_detenteur_port_test LABEL platform
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/DetenteurPort_test.cpp
  LIBS zelor_platform)
