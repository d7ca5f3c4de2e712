# Spectrum files: JCAMP-DX, CSV and the export text, written and read back.
zelor_add_gtest(export_fichiers_test LABEL export
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Fichiers_test.cpp LIBS zelor_fichiers)
target_compile_definitions(export_fichiers_test PRIVATE ZELOR_JCAMP_FIXTURES="${CMAKE_CURRENT_LIST_DIR}/jcamp")
