// The moves of a side in check, in either mode.
//
// In check, a move other than the king's is legal exactly when there is a
// single checker, the piece is not pinned, and the move takes the checker
// or lands between it and the king: a pinned piece can do neither, as its
// line meets the line of the check only at the king. A ray crosses the line
// of the check at most once, so each ray holds at most one answer. Rays are
// not given up in check, so every ray's first piece is a contact.
#include "position/generation.hpp"

namespace {

// The pieces giving check.
Bitboard checkers_of(const Sides& s) {
  const Bitboard* e = pieces_of[s.enemy];
  return (knight_targets[s.king] & e[KNIGHT]) | (pawn_attackers[s.enemy][s.king] & e[PAWN]) |
         (orthogonal_reach(s.king, s.occupied) & (e[ROOK] | e[QUEEN])) |
         (diagonal_reach(s.king, s.occupied) & (e[BISHOP] | e[QUEEN]));
}

// A slider's answers in step order.
void push_slider_answers(int from, int type, Bitboard answers) {
  int index = index64(from);
  for (const int8_t* p = piece_directions[type]; *p; p++) {
    Bitboard r = ray[direction_of_step[*p + 17]][index] & answers;
    if (r) {
      int t = square88(lowest(r));
      push_known(from, t, board[t]);
    }
  }
}

}  // namespace

int generate_evasions(int mode, int side) {
  const Sides s(side);
  Bitboard checkers = checkers_of(s);
  // A check flag with no checker (it is left set for the winner after a
  // mate is reported): only the plain definition says what to generate.
  if (!checkers) return generate_moves_by_testing(mode, side);
  // What may be pushed: every answer, or in the capture mode only captures.
  Bitboard pushable = (mode & 1) ? ~Bitboard(0) : s.capturable;
  // The checker and the squares between it and the king; none in double check.
  Bitboard answers = single(checkers) ? checkers | between[s.king][lowest(checkers)] : 0;

  Bitboard king_steps = legal_king_steps(s);
  int count = popcount(king_targets[s.king] & s.occupied) + popcount(king_steps);
  push_steps_in_order(square88(s.king), KING, king_steps & pushable);

  int contacts = 0;
  for (int n = 1, slot = next_slot(king_slot(side)); n < 16; n++, slot = next_slot(slot)) {
    int from = board[slot];
    if (from & 0x80) continue;
    int type = board[slot + TYPE_OFFSET];
    int index = index64(from);
    Bitboard piece_answers = (s.pinned & bit64(index)) ? 0 : answers;
    if (type == PAWN) {
      if (mode & 1)
        count += pawn_moves<PUSH_ALL>(from, side, piece_answers, contacts);
      else
        count += pawn_moves<PUSH_CAPTURE_MODE>(from, side, piece_answers, contacts);
      continue;
    }
    Bitboard reach = type == KNIGHT ? knight_targets[index] : slider_reach(type, index, s.occupied);
    Bitboard moves = reach & piece_answers;
    count += popcount(reach & s.occupied) + popcount(moves);
    if (!(moves & pushable)) continue;
    if (type == KNIGHT)
      push_steps_in_order(from, KNIGHT, moves & pushable);
    else
      push_slider_answers(from, type, moves & pushable);
  }
  return count + contacts;
}
