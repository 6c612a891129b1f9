// Bitboards that mirror `board`, and the attack tables built on them.
// Private to position/: the rest of the program sees only position.hpp.
//
// The 0x88 board stays the position; these 64-bit sets are a second view of
// it, kept in step by place_pieces, make_move and unmake_move (and by nothing
// else: move_is_legal's temporary changes never reach them). A set has bit
// 8 * rank + file for a square. They let the generator read a piece's reach
// and count it without walking rays, and answer "is this square attacked"
// with a handful of table lookups.
#pragma once

#include <bit>
#include <cstdint>

#include "position/position.hpp"

using Bitboard = uint64_t;

// pieces_of[side][type]: the squares of that side's pieces of that type;
// occupied_by[side]: all of that side's pieces.
extern Bitboard pieces_of[2][8];
extern Bitboard occupied_by[2];

constexpr int index64(int square) { return (square + (square & 7)) >> 1; }
constexpr int square88(int index) { return index + (index & 56); }
constexpr Bitboard bit64(int index) { return Bitboard(1) << index; }

// The set of one 0x88 square, by table: one load instead of the arithmetic.
struct SquareBits {
  Bitboard of[128];
  constexpr SquareBits() : of() {
    for (int square = 0; square < 128; square++)
      of[square] = on_board(square) ? bit64(index64(square)) : 0;
  }
};
inline constexpr SquareBits square_bits;
inline Bitboard bit(int square) { return square_bits.of[square]; }

inline int popcount(Bitboard b) { return std::popcount(b); }
inline int lowest(Bitboard b) { return std::countr_zero(b); }
inline bool single(Bitboard b) { return (b & (b - 1)) == 0; }

// The eight directions in the order of the king's step list: four
// orthogonal, then four diagonal. Positive steps run towards higher squares.
extern Bitboard ray[8][64];  // the squares beyond a square, to the edge
extern Bitboard knight_targets[64];
extern Bitboard king_targets[64];
extern Bitboard pawn_attackers[2][64];  // where a pawn of a side attacks from
extern Bitboard orthogonal_lines[64];   // the four orthogonal rays together
extern Bitboard diagonal_lines[64];     // the four diagonal rays together
extern Bitboard between[64][64];        // strictly between two squares of a line
extern Bitboard line_through[64][64];   // the whole line through two squares

// The direction of a king step (its index in the king's step list), or -1.
constexpr int direction_of(int step) {
  for (int d = 0; d < 8; d++)
    if (piece_directions[KING][d] == step) return d;
  return -1;
}

// Slider reach by multiply-and-shift: the blockers on a square's lines,
// multiplied by a constant chosen for that square, land in a dense index
// of a table that holds the reach (each ray up to and including its first
// piece) for every arrangement of those blockers.
struct Magic {
  Bitboard mask;        // the lines without their edge squares
  Bitboard multiplier;
  const Bitboard* reach;
  int shift;
};
extern Magic orthogonal_magic[64];
extern Magic diagonal_magic[64];

inline Bitboard orthogonal_reach(int index, Bitboard occupied) {
  const Magic& m = orthogonal_magic[index];
  return m.reach[((occupied & m.mask) * m.multiplier) >> m.shift];
}
inline Bitboard diagonal_reach(int index, Bitboard occupied) {
  const Magic& m = diagonal_magic[index];
  return m.reach[((occupied & m.mask) * m.multiplier) >> m.shift];
}
inline Bitboard slider_reach(int type, int index, Bitboard occupied) {
  Bitboard reach = 0;
  if (type & ORTHOGONAL_BIT) reach = orthogonal_reach(index, occupied);
  if (type & DIAGONAL_BIT) reach |= diagonal_reach(index, occupied);
  return reach;
}

// Whether `side` attacks the square (64 index) with the given occupancy. A
// piece standing on the square itself never counts, so the square may hold
// the piece a king would take there.
inline bool attacked_by(int side, int index, Bitboard occupied) {
  const Bitboard* p = pieces_of[side];
  if ((knight_targets[index] & p[KNIGHT]) | (king_targets[index] & p[KING]) |
      (pawn_attackers[side][index] & p[PAWN]))
    return true;
  Bitboard orthogonal = p[ROOK] | p[QUEEN];
  if ((orthogonal_lines[index] & orthogonal) && (orthogonal_reach(index, occupied) & orthogonal))
    return true;
  Bitboard diagonal = p[BISHOP] | p[QUEEN];
  return (diagonal_lines[index] & diagonal) && (diagonal_reach(index, occupied) & diagonal);
}

// king_attacked, inline for make_move. The king's square is read from the
// piece list, one load.
inline bool attacks_other_king(int side) {
  return attacked_by(side, index64(board[king_slot(1 - side)]),
                     occupied_by[WHITE] | occupied_by[BLACK]);
}

// Adds or removes a piece in the bitboards.
inline void toggle_piece(int side, int type, int square) {
  Bitboard b = bit(square);
  pieces_of[side][type] ^= b;
  occupied_by[side] ^= b;
}
