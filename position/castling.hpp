// Where castling puts its pieces, once for the generators (the plain one
// and the fast one), make_move and unmake_move, and the FEN readers.
// Private to position/.
//
// Castling is the king's move of two files from its home square towards a
// corner; the rook of that corner jumps to the square the king crosses.
// It needs its right, every square between king and rook empty, and the
// king not in check, nor passing or landing on an attacked square.
//
// In Chess960 the king and the rooks start on other files: castling still
// brings them to the standard squares (king g1, rook f1; king c1, rook d1),
// over squares that must be empty but for those two, and the king may not
// pass or land on an attacked square with its rook gone. Its move word is
// the king taking its own rook, with CHESS960_CASTLING in the promotion
// byte, as a king's step may go where castling puts the king, or nowhere.
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

// Chess960's castlings of the position set up (king_from and rook_from as
// the rights' pieces stand; `empty` unused), read while `chess960` is set.
extern Castling chess960_castlings[2][2];
constexpr const Castling& chess960_castling_of(int side, int king_from, int rook_from) {
  return chess960_castlings[side][rook_from > king_from ? KING_SIDE : QUEEN_SIDE];
}
// The squares of a rank from one square to another, both included, in order.
struct RankSpan {
  int first, last;
};
constexpr RankSpan span_of(int a, int b) { return a < b ? RankSpan{a, b} : RankSpan{b, a}; }

// The castling rights that survive a move from or to each square, for the
// castlings in use: make_move applies those of both squares to every move.
extern uint8_t castling_keep[128];
// Sets castling_keep for the standard castlings, or Chess960's when
// `chess960` is set.
void set_castling_squares();
