# Needs Qt.
if(NOT ZELOR_WITH_QT)
  return()
endif()
# Input held while the program waits, posted as the window system queues it
# (hence the toolkit's platform interface).
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
zelor_add_gtest(platform_saisie_retenue_test LABEL platform GUI
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SaisieRetenue_test.cpp ${CMAKE_CURRENT_LIST_DIR}/SaisieDifferee.h
  LIBS zelor_platform Qt6::Widgets Qt6::Test Qt6::GuiPrivate)
