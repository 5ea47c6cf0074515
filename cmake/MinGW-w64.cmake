# Cross-builds the core (HTTP client, engine, their tests) as Windows
# programs with Debian's MinGW-w64 (the POSIX thread model, for std::thread):
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW-w64.cmake
# The test programs then run under Wine through ctest.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_korvane_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_korvane_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_korvane_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_korvane_mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_korvane_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Self-contained programs: no MinGW runtime DLLs to put beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Runs the cross-built programs (ctest, test discovery) under Wine.
find_program(KORVANE_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(KORVANE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KORVANE_WINE})
endif()
