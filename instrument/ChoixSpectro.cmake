# Dialogs of the instrument link, kept apart from the configuration library so
# that the latter stays free of widgets.
add_library(zelor_instrument_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ChoixSpectro.cpp ${CMAKE_CURRENT_LIST_DIR}/ChoixSpectro.h)
target_link_libraries(zelor_instrument_ui PUBLIC Qt6::Widgets)

zelor_add_gtest(instrument_choixspectro_test LABEL instrument GUI
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/ChoixSpectro_test.cpp
  LIBS zelor_instrument_ui)
