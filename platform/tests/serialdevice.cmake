# Over pseudo-terminals of this machine: POSIX systems only.
if(WIN32 OR NOT ZELOR_WITH_QT)
  return()
endif()
zelor_add_gtest(platform_serialdevice_test LABEL platform
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/PosixSerialDevice_test.cpp
  LIBS zelor_platform)
