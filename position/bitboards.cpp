#include "position/bitboards.hpp"

#include <initializer_list>

Bitboard pieces_of[2][8];
Bitboard occupied_by[2];
Bitboard ray[8][64];
int8_t ray_length[8][64];
Bitboard knight_targets[64];
Bitboard king_targets[64];
Bitboard pawn_attackers[2][64];
Bitboard orthogonal_lines[64];
Bitboard diagonal_lines[64];

int8_t direction_of_step[35];

namespace {

struct TableBuilder {
  TableBuilder() {
    for (int8_t& d : direction_of_step) d = -1;
    for (int d = 0; d < 8; d++) direction_of_step[piece_directions[KING][d] + 17] = int8_t(d);
    for (int i = 0; i < 64; i++) {
      int square = square88(i);
      for (int d = 0; d < 8; d++) {
        int step = piece_directions[KING][d];
        for (int t = square + step; on_board(t); t += step) {
          ray[d][i] |= bit(t);
          ray_length[d][i]++;
        }
        if (on_board(square + step)) king_targets[i] |= bit(square + step);
        (d < 4 ? orthogonal_lines : diagonal_lines)[i] |= ray[d][i];
      }
      for (const int8_t* s = piece_directions[KNIGHT]; *s; s++)
        if (on_board(square + *s)) knight_targets[i] |= bit(square + *s);
      // A White pawn attacks this square from 15 or 17 below it.
      for (int s : {-15, -17})
        if (on_board(square + s)) pawn_attackers[WHITE][i] |= bit(square + s);
      for (int s : {15, 17})
        if (on_board(square + s)) pawn_attackers[BLACK][i] |= bit(square + s);
    }
  }
} const builder;

}  // namespace

bool attacked_by(int side, int index, Bitboard occupied, Bitboard removed) {
  const Bitboard* p = pieces_of[side];
  Bitboard keep = ~removed;
  if ((knight_targets[index] & p[KNIGHT] & keep) || (king_targets[index] & p[KING]) ||
      (pawn_attackers[side][index] & p[PAWN] & keep))
    return true;
  Bitboard orthogonal = (p[ROOK] | p[QUEEN]) & keep;
  if ((orthogonal_lines[index] & orthogonal) && (orthogonal_reach(index, occupied) & orthogonal))
    return true;
  Bitboard diagonal = (p[BISHOP] | p[QUEEN]) & keep;
  return (diagonal_lines[index] & diagonal) && (diagonal_reach(index, occupied) & diagonal);
}
