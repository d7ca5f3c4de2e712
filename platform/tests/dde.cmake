# Needs Qt.
if(NOT ZELOR_WITH_QT)
  return()
endif()
# DDE layer over D-Bus and the small process layers the companion link uses.
add_executable(dde_helper ${CMAKE_CURRENT_LIST_DIR}/dde_helper.cpp)
target_link_libraries(dde_helper PRIVATE zelor_platform)

zelor_add_gtest(platform_dde_test LABEL platform
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Dde_test.cpp ${CMAKE_CURRENT_LIST_DIR}/WaitFor.h
  LIBS zelor_platform)
target_compile_definitions(platform_dde_test PRIVATE ZELOR_DDE_HELPER="$<TARGET_FILE:dde_helper>")
add_dependencies(platform_dde_test dde_helper)

# No session bus at all: the variables that could lead to one are removed.
zelor_add_gtest(platform_dde_sans_bus_test LABEL platform
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/DdeSansBus_test.cpp LIBS zelor_platform)
set_tests_properties(platform_dde_sans_bus_test PROPERTIES ENVIRONMENT_MODIFICATION
  "DBUS_SESSION_BUS_ADDRESS=unset:;DISPLAY=unset:;XDG_RUNTIME_DIR=set:/nonexistent-zelor-runtime")

zelor_add_gtest(platform_process_test LABEL platform
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/NamedMarker_test.cpp ${CMAKE_CURRENT_LIST_DIR}/Registre_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/Lanceur_test.cpp
  LIBS zelor_platform)
