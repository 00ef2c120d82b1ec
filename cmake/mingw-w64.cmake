# Cross-compiles the Windows x86-64 program with mingw-w64's posix thread model.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests of this tree run under Wine, in a prefix of this build tree's own so
# that trees tested side by side never share (or wait on) one Wine server.
set(CMAKE_CROSSCOMPILING_EMULATOR env TAMREL_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix
    ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
