// Where castling puts its pieces, once for the generators (the plain one
// and the fast one), make_move and unmake_move, and the FEN reader. Private
// to position/.
//
// Castling is the king's move of two files from its home square towards a
// corner; the rook of that corner jumps to the square the king crosses.
// It needs its right, every square between king and rook empty, and the
// king not in check, nor passing or landing on an attacked square.
#pragma once

#include "position/position.hpp"

enum Wing : int { QUEEN_SIDE, KING_SIDE };  // the order castling moves are pushed in

constexpr int NO_SQUARE = -1;

struct Castling {
  int right;               // its castle_rights bit
  int king_from, king_to;
  int rook_from, rook_to;  // the corner, and the square the king crosses
  int empty[3];            // the squares between king and rook, then NO_SQUARE
};

inline constexpr Castling castlings[2][2] = {
    {{WHITE_QUEEN_SIDE, E1, C1, A1, D1, {B1, C1, D1}},
     {WHITE_KING_SIDE, E1, G1, H1, F1, {F1, G1, NO_SQUARE}}},
    {{BLACK_QUEEN_SIDE, E8, C8, A8, D8, {B8, C8, D8}},
     {BLACK_KING_SIDE, E8, G8, H8, F8, {F8, G8, NO_SQUARE}}},
};

// Whether a king's move from `from` to `to` is castling, and which.
constexpr bool is_castling_step(int from, int to) {
  return to - from == 2 * EAST || to - from == 2 * WEST;
}
constexpr const Castling& castling_of(int side, int from, int to) {
  return castlings[side][to > from ? KING_SIDE : QUEEN_SIDE];
}
