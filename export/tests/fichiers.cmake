# Spectrum files: JCAMP-DX, CSV and the export text, written and read back.
zelor_add_gtest(export_fichiers_test LABEL export
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Fichiers_test.cpp LIBS zelor_fichiers)
target_compile_definitions(export_fichiers_test PRIVATE ZELOR_JCAMP_FIXTURES="${CMAKE_CURRENT_LIST_DIR}/jcamp")

# The files the program writes, read by an independent parser (npm
# jcampconverter, installed by scripts/install-deps.sh, never here).
set(ZELOR_NPM_JCAMP "${PROJECT_SOURCE_DIR}/build/npm-jcamp")
set(ZELOR_LECTEUR_JCAMP "${CMAKE_CURRENT_LIST_DIR}/jcampconverter/lire-jcamp.mjs")
zelor_add_gtest(export_lecteur_independant_test LABEL export
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/LecteurIndependant_test.cpp LIBS zelor_fichiers
  ENVIRONMENT ZELOR_NPM_JCAMP=${ZELOR_NPM_JCAMP})
target_compile_definitions(export_lecteur_independant_test PRIVATE ZELOR_LECTEUR_JCAMP="${ZELOR_LECTEUR_JCAMP}")
target_include_directories(export_lecteur_independant_test PRIVATE ${PROJECT_SOURCE_DIR})
