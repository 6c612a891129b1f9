// Helpers shared by the tests: positions from FEN, moves by their text.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "frontend/frontend.hpp"
#include "search/search.hpp"
#include "invariants.hpp"

inline void set_fen(const char* fen) {
  const char* error = nullptr;
  ASSERT_TRUE(setup_fen(fen, &error)) << fen << ": " << (error ? error : "");
}

// The texts of the moves generated in `mode`, in push order, and the count.
inline std::vector<std::string> generated(int mode, int* count = nullptr) {
  Move* start = move_top;
  int n = generate_moves(mode, side_to_move);
  if (count) *count = n;
  std::vector<std::string> texts;
  for (Move* p = start; p < move_top; p++) texts.push_back(format_move(*p));
  move_top = start;
  return texts;
}

// The generated move written `text` (with a promotion letter if any); 0 if none.
inline Move generated_move(const std::string& text) {
  Move* start = move_top;
  generate_moves(ALL_MOVES, side_to_move);
  Move found = 0;
  for (Move* p = start; p < move_top; p++)
    if (text == format_move(*p)) found = *p;
  move_top = start;
  return found;
}


inline int square(const char* text) { return 16 * (text[1] - '1') + (text[0] - 'a'); }
