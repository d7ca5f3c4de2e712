zelor_add_gtest(instrument_choixspectro_test LABEL instrument GUI
  SOURCES ChoixSpectro_test.cpp LIBS zelor_instrument_ui)
