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

// The legal move written exactly `text` (with its promotion letter if any);
// 0 if none. Empties the move stack.
inline Move generated_move(const std::string& text) {
  Move found = 0;
  if (read_move(text.c_str(), found) != 1 || text != format_move(found)) return 0;
  return found;
}


inline int square(const char* text) { return 16 * (text[1] - '1') + (text[0] - 'a'); }
