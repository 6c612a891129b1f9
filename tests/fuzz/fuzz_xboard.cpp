// The xboard protocol mode from its first line, with arbitrary lines as
// standard input.
#include "stdin_feed.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  silence_stdout();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  run_with_input(data, size, xboard_loop);
  return 0;
}
