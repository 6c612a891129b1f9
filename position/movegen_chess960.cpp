// Chess960's castling in the fast generators: the king's and the rook's
// paths empty but for the two, and no square of the king's path attacked
// with both lifted off their squares. Apart from the common generators, as
// standard chess never comes here.
#include "position/castling.hpp"
#include "position/generation.hpp"

namespace {

// The squares of a rank from one square to another, both included.
Bitboard rank_span(int a, int b) {
  RankSpan span = span_of(a, b);
  return (~Bitboard(0) >> (63 - index64(span.last))) & (~Bitboard(0) << index64(span.first));
}

bool may_castle(const Castling& c, int enemy, Bitboard occupied) {
  if (!(castle_rights & c.right)) return false;
  Bitboard pieces = bit(c.king_from) | bit(c.rook_from);
  Bitboard path = rank_span(c.king_from, c.king_to);
  if (occupied & (path | rank_span(c.rook_from, c.rook_to)) & ~pieces) return false;
  for (Bitboard p = path; p; p &= p - 1)
    if (attacked_by(enemy, lowest(p), occupied & ~pieces)) return false;
  return true;
}

}  // namespace

void push_chess960_castling(int side, Bitboard occupied) {
  for (const Castling& c : chess960_castlings[side])
    if (may_castle(c, 1 - side, occupied))
      push_known(c.king_from, c.rook_from, NO_PIECE, CHESS960_CASTLING);
}

bool chess960_castling_is_generated(Move move, int side) {
  const Castling& c = chess960_castling_of(side, move_from(move), move_to(move));
  return move_from(move) == c.king_from && move_to(move) == c.rook_from &&
         may_castle(c, 1 - side, occupied_by[WHITE] | occupied_by[BLACK]);
}
