# Installs the build into a fresh temporary prefix and checks what a desktop
# needs: the programs, the desktop entry (valid for desktop-file-validate, in
# French, in the Science/Education menus) and the icon it names.
#   cmake -DBUILD_DIR=<build> -DPREFIX=<empty folder> -DEXPECT_SIM=<0|1> -P install_check.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE installed OUTPUT_QUIET ERROR_VARIABLE install_errors)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${install_errors}")
endif()

set(expected bin/zelor share/applications/zelor.desktop share/icons/hicolor/scalable/apps/zelor.svg)
if(EXPECT_SIM)
  list(APPEND expected bin/zelor-sim bin/zelor-scan)
endif()
foreach(path IN LISTS expected)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
foreach(program zelor zelor-sim zelor-scan)
  if(EXISTS "${PREFIX}/bin/${program}")
    execute_process(COMMAND test -x "${PREFIX}/bin/${program}" RESULT_VARIABLE runnable)
    if(NOT runnable EQUAL 0)
      message(FATAL_ERROR "not executable: bin/${program}")
    endif()
  endif()
endforeach()

set(entry "${PREFIX}/share/applications/zelor.desktop")
find_program(VALIDATE desktop-file-validate REQUIRED)
execute_process(COMMAND "${VALIDATE}" "${entry}" RESULT_VARIABLE valid OUTPUT_VARIABLE report ERROR_VARIABLE report)
if(NOT valid EQUAL 0 OR report MATCHES "error")
  message(FATAL_ERROR "desktop-file-validate refuses the entry:\n${report}")
endif()

file(STRINGS "${entry}" lines ENCODING UTF-8)
foreach(line "Name=Spectrophotomètre ZELOR 1000" "Comment=Tracé de spectre avec le spectrophotomètre ZELOR 1000"
             "Exec=zelor" "Icon=zelor")
  if(NOT line IN_LIST lines)
    message(FATAL_ERROR "the desktop entry lacks \"${line}\"")
  endif()
endforeach()
list(FILTER lines INCLUDE REGEX "^Categories=")
if(NOT lines MATCHES "Science" OR NOT lines MATCHES "Education")
  message(FATAL_ERROR "the desktop entry is not in the Science and Education menus: ${lines}")
endif()
message(STATUS "installed and valid: ${expected}")
