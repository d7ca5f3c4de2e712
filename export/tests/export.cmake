# Export format, command server, companion link.
zelor_add_gtest(export_format_test LABEL export
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Format_test.cpp LIBS zelor_export)

zelor_add_gtest(export_serveur_test LABEL export
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Serveur_test.cpp ${CMAKE_CURRENT_LIST_DIR}/Fuzz_test.cpp
  LIBS zelor_export ENVIRONMENT ZELOR_REGISTRY_FILE=/nonexistent/registre.ini)

zelor_add_gtest(export_sans_bus_test LABEL export
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SansBus_test.cpp
  LIBS zelor_export ENVIRONMENT ZELOR_REGISTRY_FILE=/nonexistent/registre.ini)
set_tests_properties(export_sans_bus_test PROPERTIES ENVIRONMENT_MODIFICATION
  "DBUS_SESSION_BUS_ADDRESS=unset:;DISPLAY=unset:;XDG_RUNTIME_DIR=set:/nonexistent-zelor-runtime")

# The link tests start the stand-in Mesurial; each runs on a bus of its own
# (and with markers of its own) so that no other test sees its Mesurial.
if("tools" IN_LIST ZELOR_SUBSYSTEMS)
  function(zelor_export_test_lien name)
    cmake_parse_arguments(L "GUI" "" "SOURCES;LANCEUR;ENVIRONMENT" ${ARGN})
    add_executable(${name} ${L_SOURCES})
    target_link_libraries(${name} PRIVATE $<IF:$<BOOL:${L_GUI}>,zelor_test_main_gui,zelor_test_main_core>
                          zelor_export GTest::gtest)
    target_compile_definitions(${name} PRIVATE ZELOR_MESURIAL_STANDIN="$<TARGET_FILE:mesurial-standin>")
    add_dependencies(${name} mesurial-standin)
    add_test(NAME ${name} COMMAND ${L_LANCEUR} dbus-run-session -- $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES LABELS export TIMEOUT 300
      ENVIRONMENT "ZELOR_MARKER_NAMESPACE=${name};${L_ENVIRONMENT}")
  endfunction()

  zelor_export_test_lien(export_lien_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/Lien_test.cpp
    ENVIRONMENT QT_QPA_PLATFORM=offscreen)
  # The clipboard shared by two programs needs a real X server.
  zelor_export_test_lien(export_presse_papiers_test GUI SOURCES ${CMAKE_CURRENT_LIST_DIR}/PressePapiers_test.cpp
    LANCEUR xvfb-run -a ENVIRONMENT QT_QPA_PLATFORM=xcb)
endif()
