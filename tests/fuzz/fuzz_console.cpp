// The console, the program's start, with arbitrary bytes as standard input:
// commands, moves, long words and, after "xboard", the protocol mode.
#include "stdin_feed.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  silence_stdout();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  run_with_input(data, size, console_main);
  return 0;
}
