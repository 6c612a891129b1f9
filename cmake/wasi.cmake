# WebAssembly with WASI, built by Debian's clang (packages clang, lld,
# wasi-libc, libc++-dev-wasm32, libclang-rt-dev-wasm32). The programs are
# WASI commands that node runs for the tests (wasi-run.mjs beside this file);
# web/ builds the page's engine module and the site around it.
set(CMAKE_SYSTEM_NAME WASI)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
# Platform/WASI.cmake beside this file tells CMake what the system is like.
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})

set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)

# clang 14 has no exceptions for wasm. wasm has no signals either: the xboard
# mode's SIGINT guard compiles against libc's small emulation of them. The
# WASI libc comes with debugging sections that would double each program.
# wasm-ld's default stack, 64 KB above the data, is too small for the UCI
# search's lines and would overflow into the globals unseen; below the data
# an overflow traps.
set(CMAKE_CXX_FLAGS_INIT "-fno-exceptions -D_WASI_EMULATED_SIGNAL")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-lwasi-emulated-signal -Wl,--strip-debug -Wl,--stack-first -Wl,-z,stack-size=1048576")

# Headers and libraries come from the WASI sysroot that clang knows, never
# from the host (GoogleTest there is x86-64); programs are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/lib/wasm32-wasi)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The tests run the programs under node's WASI, as the Windows build's run
# under wine.
find_program(QUORLIX_NODE node)
if(QUORLIX_NODE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${QUORLIX_NODE} ${CMAKE_CURRENT_LIST_DIR}/wasi-run.mjs)
endif()
