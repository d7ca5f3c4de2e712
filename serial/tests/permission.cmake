# Over pseudo-terminals of this machine: POSIX systems only.
if(WIN32 OR NOT ZELOR_WITH_QT)
  return()
endif()
add_executable(open_as_user_helper ${CMAKE_CURRENT_LIST_DIR}/open_as_user_helper.cpp)
target_link_libraries(open_as_user_helper PRIVATE zelor_serial)
zelor_add_gtest(serial_permission_test LABEL serial
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Permission_test.cpp ${CMAKE_CURRENT_LIST_DIR}/PtyPair.h
  LIBS zelor_serial)
target_compile_definitions(serial_permission_test PRIVATE ZELOR_OPEN_HELPER="$<TARGET_FILE:open_as_user_helper>")
add_dependencies(serial_permission_test open_as_user_helper)
