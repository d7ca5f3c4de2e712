zelor_add_gtest(instrument_decodage_test LABEL instrument
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Decodage_test.cpp
  LIBS zelor_instrument)

# The protocol over a real serial port: against a scripted far end and
# against the instrument simulator, both on pseudo-terminals.
zelor_add_gtest(instrument_protocole_test LABEL instrument
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Protocole_test.cpp
  LIBS zelor_protocole zelor_sim_core)
