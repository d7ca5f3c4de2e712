# Tests of a Windows cross build run under Wine, in a Wine prefix of the
# build folder. A set-up test boots the prefix once, starts instrument
# simulators natively on pseudo-terminals and maps COM ports to them in the
# Wine registry; every test needs it, and a clean-up test ends them.
set(ZELOR_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh)
# COM ports of the simulators: one answers, one hangs up after its first
# reply; ZELOR_WINE_MISSING_COM is mapped to nothing.
set(ZELOR_WINE_COM 5)
set(ZELOR_WINE_HANGUP_COM 6)
set(ZELOR_WINE_MISSING_COM 9)
set(ZELOR_WINE_ENVIRONMENT
    WINEPREFIX=${ZELOR_WINEPREFIX} ZELOR_WINE_COM=${ZELOR_WINE_COM}
    ZELOR_WINE_HANGUP_COM=${ZELOR_WINE_HANGUP_COM} ZELOR_WINE_MISSING_COM=${ZELOR_WINE_MISSING_COM})

add_test(NAME wine_setup
         COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-tests.sh setup ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR}
                 ${ZELOR_WINE_COM} ${ZELOR_WINE_HANGUP_COM})
add_test(NAME wine_cleanup COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-tests.sh cleanup ${CMAKE_BINARY_DIR})
set_tests_properties(wine_setup PROPERTIES FIXTURES_SETUP wine LABELS "serial;platform" TIMEOUT 900)
set_tests_properties(wine_cleanup PROPERTIES FIXTURES_CLEANUP wine LABELS "serial;platform" TIMEOUT 120)
