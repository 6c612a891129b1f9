# Cross build for 64-bit Windows with Debian's MinGW-w64
# (g++-mingw-w64-x86-64-posix); tests run under wine64 when it is installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw}-g++-posix)

# Headers, libraries and packages come from the MinGW tree only, so the
# host's GoogleTest is not mistaken for a Windows one; programs are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One .exe that runs on a bare Windows: the C++ runtime, libgcc and
# winpthread go into it rather than beside it as DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Debian puts the wine64 loader outside PATH unless the wine package is there
# too. Quiet, without the mono and gecko installers, in the build tree's own
# prefix so that nothing of the user's is touched; wine-run.sh keeps one wine
# server for a whole test run.
find_program(QUORLIX_WINE NAMES wine64 wine PATHS /usr/lib/wine)
find_program(QUORLIX_WINESERVER NAMES wineserver64 wineserver PATHS /usr/lib/wine)
if(QUORLIX_WINE AND QUORLIX_WINESERVER)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_COMMAND} -E env WINEDEBUG=-all
      "WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe="
      WINEPREFIX=${CMAKE_BINARY_DIR}/wine
      sh ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${QUORLIX_WINESERVER} ${QUORLIX_WINE})
endif()
