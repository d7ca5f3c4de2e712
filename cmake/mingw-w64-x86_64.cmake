# Cross build for 64-bit Windows with Debian's mingw-w64 compilers, the
# variant with POSIX threads (std::thread, std::mutex). The programs are
# linked statically so that they need no DLL beside them, under Wine or on a
# Windows machine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZELOR_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZELOR_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZELOR_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZELOR_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZELOR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
