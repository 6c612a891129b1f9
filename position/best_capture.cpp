// The capture the searches try first, found without listing the moves.
//
// The searches pick captures by victim, then attacker: the greatest victim
// type code first, then the least attacker type code, then the earliest in
// the list. So the first pick is found from where each piece may take:
// the most valuable kind of piece anything takes, the least valuable piece
// that takes one (the first of its kind in slot order), and that piece's
// first such capture in the order of its steps.
#include "position/generation.hpp"

namespace {

template <int SIDE>
Move best_capture_of() {
  const Sides s(SIDE);
  const Bitboard* own = pieces_of[SIDE];
  SlotOrder takes;  // each piece's captures
  Bitboard taken = 0;
  auto note = [&](int index, Bitboard captures) {
    if (!captures) return;
    takes.note(index, captures);
    taken |= captures;
  };
  note(s.king, legal_king_steps(s, s.capturable));
  if (in_check) {
    Bitboard checkers = checkers_of(s);
    // A check flag with no checker: the plain definition decides, and the
    // caller generates the list.
    if (!checkers) return 0;
    // Besides the king's, the only captures are of a single checker, by the
    // pieces that are not pinned.
    if (single(checkers)) {
      int at = lowest(checkers);
      Bitboard takers = (pawn_attackers[SIDE][at] & own[PAWN]) |
                        (knight_targets[at] & own[KNIGHT]) |
                        (diagonal_reach(at, s.occupied) & (own[BISHOP] | own[QUEEN])) |
                        (orthogonal_reach(at, s.occupied) & (own[ROOK] | own[QUEEN]));
      for (Bitboard b = takers & ~s.pinned; b; b &= b - 1) note(lowest(b), checkers);
    }
  } else {
    // A pinned piece takes only on its pin line.
    auto allowed = [&](int index) {
      return (s.pinned & bit64(index)) ? s.pin_line(index) & s.capturable : s.capturable;
    };
    constexpr int UP = pawn_step64(SIDE);
    Bitboard pawns = own[PAWN];
    for (Bitboard b = shifted<-UP - 1>(pawn_attacks_h<SIDE>(pawns) & s.capturable) |
                      shifted<-UP + 1>(pawn_attacks_a<SIDE>(pawns) & s.capturable);
         b; b &= b - 1)
      note(lowest(b), pawn_attacks<SIDE>(b & (0 - b)) & allowed(lowest(b)));
    for (Bitboard b = own[KNIGHT] & ~s.pinned; b; b &= b - 1)
      note(lowest(b), knight_targets[lowest(b)] & s.capturable);
    Bitboard diagonal = own[BISHOP] | own[QUEEN], orthogonal = own[ROOK] | own[QUEEN];
    for (Bitboard b = diagonal | orthogonal; b; b &= b - 1) {
      int index = lowest(b);
      note(index, line_piece_targets(index, diagonal, orthogonal, allowed(index), s.occupied));
    }
  }
  if (!taken) return 0;

  const Bitboard* enemy = pieces_of[1 - SIDE];
  Bitboard victims = 0;
  for (int type : {QUEEN, ROOK, BISHOP, KNIGHT, PAWN})
    if ((victims = enemy[type] & taken)) break;
  int place = 0, attacker = 8;
  for (unsigned rest = takes.order; rest; rest &= rest - 1) {
    int n = std::countr_zero(rest);
    if (!(takes.targets[n] & victims)) continue;
    int type = board[SlotOrder::slot_at(n, SIDE) + TYPE_OFFSET];
    if (type < attacker) {
      attacker = type;
      place = n;
    }
  }
  int from = board[SlotOrder::slot_at(place, SIDE)];
  Bitboard targets = takes.targets[place] & victims;
  if (attacker == PAWN) {
    // Towards the h-file first; a promotion to a queen first.
    int to = from + pawn_forward(SIDE) + EAST;
    if (!on_board(to) || !(targets & bit(to))) to = from + pawn_forward(SIDE) + WEST;
    return make_move_word(from, to, is_promotion_square(to) ? QUEEN : 0, board[to]);
  }
  int to = first_target(from, attacker, targets);
  return make_move_word(from, to, 0, board[to]);
}

}  // namespace

Move best_capture() {
  return side_to_move == WHITE ? best_capture_of<WHITE>() : best_capture_of<BLACK>();
}
