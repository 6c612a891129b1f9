// The attack tables against walks over the 0x88 board: a wrong multiplier
// or a table built one square off would show as a wrong reach somewhere.
#include <random>

#include "test_util.hpp"

namespace {

// The squares a step walk from `square` passes, up to and including the
// first occupied one, over the steps of `type`.
Bitboard walk(int square, int type, Bitboard occupied) {
  Bitboard reach = 0;
  for (const int8_t* s = piece_directions[type]; *s; s++)
    for (int t = square + *s; on_board(t); t += *s) {
      reach |= bit(t);
      if (occupied & bit(t)) break;
    }
  return reach;
}

}  // namespace

TEST(AttackTables, SliderReachMatchesRayWalks) {
  std::mt19937_64 rng(2026);
  for (int index = 0; index < 64; index++) {
    int square = square88(index);
    // Empty and full boards, then random ones from sparse to crowded.
    Bitboard occupancies[1 + 1 + 400] = {0, ~Bitboard(0)};
    for (int i = 2; i < 402; i++) {
      Bitboard b = rng();
      for (int thin = i % 4; thin > 0; thin--) b &= rng();
      occupancies[i] = b;
    }
    for (Bitboard occupied : occupancies) {
      ASSERT_EQ(orthogonal_reach(index, occupied), walk(square, ROOK, occupied)) << square;
      ASSERT_EQ(diagonal_reach(index, occupied), walk(square, BISHOP, occupied)) << square;
    }
  }
}

TEST(AttackTables, BetweenAndLinesMatchRayWalks) {
  for (int a = 0; a < 64; a++) {
    for (int b = 0; b < 64; b++) {
      Bitboard between_walked = 0, line_walked = 0;
      for (const int8_t* s = piece_directions[QUEEN]; *s; s++) {
        Bitboard passed = 0;
        bool reached = false;
        for (int t = square88(a) + *s; on_board(t) && !reached; t += *s) {
          if (t == square88(b))
            reached = true;
          else
            passed |= bit(t);
        }
        if (!reached) continue;
        between_walked = passed;
        for (int dir : {int(*s), -*s})
          for (int t = square88(a); on_board(t); t += dir) line_walked |= bit(t);
      }
      ASSERT_EQ(between[a][b], between_walked) << a << " " << b;
      ASSERT_EQ(line_through[a][b], line_walked) << a << " " << b;
    }
  }
}
