# The whole program for Windows -- the window and its tests too -- on the Qt
# kit of scripts/qt-windows.sh. Loaded through the kit's qt.toolchain.cmake
# (QT_CHAINLOAD_TOOLCHAIN_FILE); see the "windows-cross" preset.
include(${CMAKE_CURRENT_LIST_DIR}/MinGW-w64.cmake)
# Qt's DLLs use the MinGW runtime DLLs (libstdc++, libgcc, winpthread); the
# program links the same ones, so one C++ runtime serves both.
set(CMAKE_EXE_LINKER_FLAGS_INIT "")
