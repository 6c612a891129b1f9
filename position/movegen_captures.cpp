// The capture mode for a side that is not in check: the figure of every
// legal move, and the pushes of captures, promotions and en passant only.
//
// The figure needs no walk. A piece that is not pinned may go wherever it
// reaches, so its share is read off its reach (reach_figure); a pinned one
// keeps its pin line (pinned_figure). Pawns that push nothing here (not
// pinned, not about to promote, not beside a pawn that can be taken en
// passant) are counted all together with shifts. The quiescence search
// stands pat on the figure far more often than it searches the moves, so
// the pushes are a second step, capture_mode_push, that walks the slots.
#include "position/generation.hpp"

namespace {

// Pawns that may push something in the capture mode: those about to
// promote, and those beside a pawn that can be taken en passant.
Bitboard pawns_that_may_push_captures(const Sides& s) {
  return (pieces_of[s.side][PAWN] & seventh_rank(s.side)) | pawns_beside_en_passant(s);
}

}  // namespace

// The share of the pinned pieces and of the pawns that may take en passant,
// which few positions have: apart, so that the common count needs fewer
// registers. (It takes the view's fields one by one: the view passed by
// reference would have to live in memory where this is not inlined.)
template <int SIDE>
int pinned_share(int king, Bitboard occupied, Bitboard capturable, Bitboard pinned,
                 Bitboard one_by_one) {
  int count = 0;
  for (Bitboard b = one_by_one; b; b &= b - 1) {
    int index = lowest(b);
    Bitboard allowed = (pinned & bit64(index)) ? line_through[king][index] : ~Bitboard(0);
    count += pawn_moves<PUSH_NONE>(square88(index), SIDE, allowed);
  }
  for (Bitboard b = pinned & ~pieces_of[SIDE][PAWN]; b; b &= b - 1) {
    int index = lowest(b);
    int type = board[board[square88(index)] + TYPE_OFFSET];
    if (type == KNIGHT)
      count += popcount(knight_targets[index] & occupied);
    else
      count += pinned_figure(slider_reach(type, index, occupied), line_through[king][index],
                             king_targets[index], capturable, occupied);
  }
  return count;
}

template <int SIDE>
int capture_mode_figure() {
  const Sides s(SIDE);
  const Bitboard* own = pieces_of[SIDE];
  int count = popcount(king_targets[s.king] & s.occupied) + popcount(legal_king_steps(s));

  Bitboard one_by_one = pawns_counted_one_by_one(s);
  count += pawn_steps<SIDE>(own[PAWN] & ~one_by_one, s).figure();
  if (one_by_one | s.pinned)
    count += pinned_share<SIDE>(s.king, s.occupied, s.capturable, s.pinned, one_by_one);

  for (Bitboard b = own[KNIGHT] & ~s.pinned; b; b &= b - 1)
    count += reach_figure(knight_targets[lowest(b)], s);
  // A queen's diagonal and orthogonal reach never share a square, so its
  // share is the sum of the two halves.
  for (Bitboard b = (own[BISHOP] | own[QUEEN]) & ~s.pinned; b; b &= b - 1)
    count += reach_figure(diagonal_reach(lowest(b), s.occupied), s);
  for (Bitboard b = (own[ROOK] | own[QUEEN]) & ~s.pinned; b; b &= b - 1)
    count += reach_figure(orthogonal_reach(lowest(b), s.occupied), s);
  return count;
}

int capture_mode_count(int side) {
  if (in_check) return generate_evasions(CAPTURES, side);
  return side == WHITE ? capture_mode_figure<WHITE>() : capture_mode_figure<BLACK>();
}

template <int SIDE>
void capture_mode_pushes() {
  const Sides s(SIDE);
  const Bitboard* own = pieces_of[SIDE];
  SlotOrder pushes;
  if (Bitboard captures = legal_king_steps(s, s.capturable)) pushes.note(s.king, captures);
  for (Bitboard b = pawns_that_may_push_captures(s); b; b &= b - 1)
    pushes.note(lowest(b), s.allowed(lowest(b)));
  for (Bitboard b = own[KNIGHT] & ~s.pinned; b; b &= b - 1)
    if (Bitboard captures = knight_targets[lowest(b)] & s.capturable)
      pushes.note(lowest(b), captures);
  // Line pieces, by the kind of their lines: a queen has both.
  Bitboard diagonal = own[BISHOP] | own[QUEEN], orthogonal = own[ROOK] | own[QUEEN];
  for (Bitboard b = diagonal | orthogonal; b; b &= b - 1) {
    int index = lowest(b);
    Bitboard targets = s.capturable & s.allowed(index);
    if (Bitboard captures = line_piece_targets(index, diagonal, orthogonal, targets, s.occupied))
      pushes.note(index, captures);
  }
  pushes.push<PUSH_CAPTURE_MODE>(SIDE);
}

void capture_mode_push(int side) {
  if (in_check) return;  // capture_mode_count has pushed the evasions
  side == WHITE ? capture_mode_pushes<WHITE>() : capture_mode_pushes<BLACK>();
}
