// Bitboards that mirror `board`, for the hot paths of the position code.
//
// The 0x88 board stays the position; these 64-bit sets are a second view of
// it, kept in step by place_pieces, make_move and unmake_move (and by nothing
// else: move_is_legal's temporary changes never reach them). They let the
// generator count a ray's squares and find its first piece without walking
// it, and answer "is this square attacked" without walking eight lines.
#pragma once

#include <cstdint>

#include "position/position.hpp"

using Bitboard = uint64_t;

// pieces_of[side][type]: the squares of that side's pieces of that type;
// occupied_by[side]: all of that side's pieces.
extern Bitboard pieces_of[2][8];
extern Bitboard occupied_by[2];

constexpr int index64(int square) { return (square + (square & 7)) >> 1; }
constexpr int square88(int index) { return index + (index & 56); }
constexpr Bitboard bit(int square) { return Bitboard(1) << index64(square); }

// The eight directions in the order of the king's step list: four
// orthogonal, then four diagonal. Positive steps run towards higher squares.
extern Bitboard ray[8][64];         // squares beyond a square, to the edge
extern int8_t ray_length[8][64];    // how many there are
extern Bitboard knight_targets[64];
extern Bitboard king_targets[64];
extern Bitboard pawn_attackers[2][64];  // where a pawn of a side attacks from
extern int8_t direction_of_step[35];  // step + 17 -> direction, or -1

extern Bitboard orthogonal_lines[64];  // the four orthogonal rays together
extern Bitboard diagonal_lines[64];    // the four diagonal rays together

constexpr bool step_is_positive(int d) { return d == 0 || d == 3 || d == 4 || d == 5; }

// The nearest piece of `pieces` along direction d from index i; `pieces`
// must be a non-empty subset of ray[d][i].
inline int nearest(int d, Bitboard pieces) {
  return step_is_positive(d) ? __builtin_ctzll(pieces) : 63 - __builtin_clzll(pieces);
}

// A ray from index i up to and including its first piece.
template <int D>
inline Bitboard reach_along(int index, Bitboard occupied) {
  Bitboard r = ray[D][index];
  Bitboard blockers = r & occupied;
  if (blockers) r ^= ray[D][nearest(D, blockers)];
  return r;
}
inline Bitboard orthogonal_reach(int index, Bitboard occupied) {
  return reach_along<0>(index, occupied) | reach_along<1>(index, occupied) |
         reach_along<2>(index, occupied) | reach_along<3>(index, occupied);
}
inline Bitboard diagonal_reach(int index, Bitboard occupied) {
  return reach_along<4>(index, occupied) | reach_along<5>(index, occupied) |
         reach_along<6>(index, occupied) | reach_along<7>(index, occupied);
}

// Whether `side` attacks the square (64 index) with the given occupancy;
// pieces of `side` on `removed` do not count.
bool attacked_by(int side, int index, Bitboard occupied, Bitboard removed = 0);

// Adds or removes a piece in the bitboards.
inline void toggle_piece(int side, int type, int square) {
  Bitboard b = bit(square);
  pieces_of[side][type] ^= b;
  occupied_by[side] ^= b;
}
inline void shift_piece(int side, int type, int from, int to) {
  Bitboard b = bit(from) | bit(to);
  pieces_of[side][type] ^= b;
  occupied_by[side] ^= b;
}
