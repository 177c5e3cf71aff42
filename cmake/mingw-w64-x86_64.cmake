# Cross build for 64-bit Windows with MinGW-w64 (Debian's x86_64-w64-mingw32).
#   cmake --preset windows   (CMakePresets.json; scripts/test-windows.sh)
# The -posix compilers give std::thread and std::mutex (GoogleTest uses them).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QMR_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QMR_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QMR_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QMR_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QMR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread linked in, so that every .exe runs on a
# bare Windows (or Wine) without the MinGW DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs run through Wine: ctest starts each with it (one CTest entry
# per test executable, see cmake/QmrGTest.cmake).
find_program(QMR_WINE NAMES wine64 wine HINTS /usr/lib/wine)
if(QMR_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QMR_WINE})
endif()
