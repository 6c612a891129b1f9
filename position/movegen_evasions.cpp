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

template <int SIDE>
int evasions(int mode, const Sides& s, Bitboard answers) {
  constexpr int UP = pawn_step64(SIDE);
  const Bitboard* own = pieces_of[SIDE];
  // What may be pushed: every answer, or in the capture mode only captures.
  Bitboard pushable = (mode & ALL_MOVES_BIT) ? ~Bitboard(0) : s.capturable;
  SlotOrder pushes;

  Bitboard king_steps = legal_king_steps(s);
  int count = popcount(king_targets[s.king] & s.occupied) + popcount(king_steps);
  if (king_steps & pushable) pushes.note(s.king, king_steps & pushable);

  // Pawns beside an en passant pawn go one by one, as that capture asks
  // move_is_legal; the others' moves come from shifted sets, and a pinned
  // one has only its contacts.
  Bitboard one_by_one = pawns_beside_en_passant(s);
  Bitboard pawns = own[PAWN] & ~one_by_one;
  PawnSteps free = pawn_steps<SIDE>(pawns & ~s.pinned, s).only_to(answers);
  count += free.figure();
  if (Bitboard pinned = pawns & s.pinned) count += pawn_steps<SIDE>(pinned, s).contacts();
  // The pawns those moves start from: each set stepped back.
  Bitboard answering = shifted<-UP>(free.single_steps) | shifted<-2 * UP>(free.double_steps) |
                       shifted<-UP - 1>(free.captures_h) | shifted<-UP + 1>(free.captures_a);
  for (Bitboard b = answering; b; b &= b - 1) pushes.note(lowest(b), answers);
  for (Bitboard b = one_by_one; b; b &= b - 1) {
    int index = lowest(b);
    Bitboard allowed = (s.pinned & bit64(index)) ? 0 : answers;
    count += pawn_moves<PUSH_NONE>(square88(index), SIDE, allowed);
    pushes.note(index, allowed);
  }

  // A piece reaches its contacts whether pinned or not; only a free one
  // may answer the check.
  auto piece = [&](int index, Bitboard reach) {
    count += popcount(reach & s.occupied);
    if (s.pinned & bit64(index)) return;
    Bitboard moves = reach & answers;
    count += popcount(moves);
    if (moves & pushable) pushes.note(index, moves & pushable);
  };
  for (Bitboard b = own[KNIGHT]; b; b &= b - 1) piece(lowest(b), knight_targets[lowest(b)]);
  for (Bitboard b = own[BISHOP]; b; b &= b - 1)
    piece(lowest(b), diagonal_reach(lowest(b), s.occupied));
  for (Bitboard b = own[ROOK]; b; b &= b - 1)
    piece(lowest(b), orthogonal_reach(lowest(b), s.occupied));
  for (Bitboard b = own[QUEEN]; b; b &= b - 1)
    piece(lowest(b), slider_reach(QUEEN, lowest(b), s.occupied));

  if (mode & ALL_MOVES_BIT)
    pushes.push<PUSH_ALL>(SIDE);
  else
    pushes.push<PUSH_CAPTURE_MODE>(SIDE);
  return count;
}

}  // namespace

int generate_evasions(int mode, int side) {
  const Sides s(side);
  Bitboard checkers = checkers_of(s);
  // A check flag with no checker (it is left set for the winner after a
  // mate is reported): only the plain definition says what to generate.
  if (!checkers) return generate_moves_by_testing(mode, side);
  // The checker and the squares between it and the king; none in double check.
  Bitboard answers = single(checkers) ? checkers | between[s.king][lowest(checkers)] : 0;
  return side == WHITE ? evasions<WHITE>(mode, s, answers) : evasions<BLACK>(mode, s, answers);
}
