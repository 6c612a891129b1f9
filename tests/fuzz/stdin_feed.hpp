// Runs a front end loop with the fuzz input as its standard input and its
// output thrown away.
#pragma once

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "checks.hpp"

#ifndef QUORLIX_FUZZ_DEPTH
#define QUORLIX_FUZZ_DEPTH 2
#endif

// Output to /dev/null once per process: libFuzzer reports on stderr, and the
// board after every move would bury it.
inline void silence_stdout() {
  if (!freopen("/dev/null", "w", stdout)) abort();
}

inline void run_with_input(const uint8_t* data, size_t size, int (*loop)()) {
  // The engine's full depth costs far more a move than fuzzing can spend; the
  // loops' logic, which is what these targets are after, is the same at any.
  think_depth = QUORLIX_FUZZ_DEPTH;
  think_prints = true;
  reset_search_state();

  // An exact-size copy: a read past the input is an ASan report, not a read
  // of libFuzzer's buffer.
  char* copy = static_cast<char*>(malloc(size ? size : 1));
  if (size) std::memcpy(copy, data, size);
  FILE* input = size ? fmemopen(copy, size, "r") : fopen("/dev/null", "r");
  if (!input) abort();
  FILE* saved_stdin = stdin;
  stdin = input;
  // The xboard mode ignores SIGINT for good; libFuzzer's own handler should
  // come back for the next input.
  struct sigaction saved_interrupt;
  sigaction(SIGINT, nullptr, &saved_interrupt);

  loop();
  // Commands like "white" may leave positions no game reaches, but never a
  // board that contradicts itself.
  check_structure();
  FUZZ_CHECK(move_top >= move_stack && move_top <= move_limit);

  sigaction(SIGINT, &saved_interrupt, nullptr);
  fflush(stdout);
  stdin = saved_stdin;
  fclose(input);
  free(copy);
}
