// Making and unmaking moves: the board, the piece list, the bitboards and the
// material totals change together.
//
// Only generated moves are made, so the move word tells what happens: a
// pawn's diagonal step with a captured-slot byte of 0 is an en passant
// capture, a king's two-file step is castling and brings its rook along.
// make_move hands out the old ep_slot for unmake_move. It only ever clears
// bits of castle_rights; the caller saves the word and writes it back, so
// unmake_move leaves it alone. unmake_move clears in_check.
#include "position/bitboards.hpp"
#include "position/castling.hpp"

namespace {

// Moves a piece on the board and in the bitboards.
inline void move_piece(int slot, int side, int type, int from, int to) {
  board[slot] = uint8_t(to);
  board[to] = uint8_t(slot);
  board[from] = NO_PIECE;
  Bitboard b = bit(from) | bit(to);
  pieces_of[side][type] ^= b;
  occupied_by[side] ^= b;
}

// Takes a piece of `side` off the board (and back), keeping bitboards and
// material.
inline void remove_piece(int slot, int side, int square) {
  int type = board[slot + TYPE_OFFSET];
  board[slot] = OFF_BOARD;
  toggle_piece(side, type, square);
  piece_material[side] -= piece_value[type];
}
inline void restore_piece(int slot, int side, int square) {
  int type = board[slot + TYPE_OFFSET];
  board[slot] = uint8_t(square);
  board[square] = uint8_t(slot);
  toggle_piece(side, type, square);
  piece_material[side] += piece_value[type];
}

// Changes a piece's type where it stands (promotion and its undoing).
inline void change_type(int slot, int side, int square, int old, int type) {
  board[slot + TYPE_OFFSET] = uint8_t(type);
  pieces_of[side][old] ^= bit(square);
  pieces_of[side][type] ^= bit(square);
  piece_material[side] += piece_value[type] - piece_value[old];
}

// Moves Chess960's castling king and rook, lifting both before placing
// either, as each may land where the other stood. `back` takes it back.
template <int SIDE>
void castle_chess960(Move move, bool back) {
  const Castling& c = chess960_castling_of(SIDE, move_from(move), move_to(move));
  int king_at = back ? c.king_to : c.king_from, king_goes = back ? c.king_from : c.king_to;
  int rook_at = back ? c.rook_to : c.rook_from, rook_goes = back ? c.rook_from : c.rook_to;
  int king = board[king_at], rook = board[rook_at];
  board[king_at] = board[rook_at] = NO_PIECE;
  toggle_piece(SIDE, KING, king_at);
  toggle_piece(SIDE, ROOK, rook_at);
  board[king] = uint8_t(king_goes);
  board[king_goes] = uint8_t(king);
  board[rook] = uint8_t(rook_goes);
  board[rook_goes] = uint8_t(rook);
  toggle_piece(SIDE, KING, king_goes);
  toggle_piece(SIDE, ROOK, rook_goes);
}

// Whether SIDE, which has just moved, attacks the other king, when it did
// not before the move (so in every position after a legal move or a null
// move). Only the moved piece can now attack it, or a line piece whose line
// to the king runs through a square the move emptied: the from-square, the
// square of a pawn taken en passant, a castling rook's corner. `moved` holds
// those squares and the squares the pieces moved to.
template <int SIDE>
bool now_attacks_king(int type, int to, Bitboard moved) {
  int king = index64(board[king_slot(1 - SIDE)]);
  const Bitboard* p = pieces_of[SIDE];
  if (type == PAWN && (pawn_attackers[SIDE][king] & bit(to))) return true;
  if (type == KNIGHT && (knight_targets[king] & bit(to))) return true;
  Bitboard occupied = occupied_by[WHITE] | occupied_by[BLACK];
  Bitboard orthogonal = orthogonal_lines[king], diagonal = diagonal_lines[king];
  if ((orthogonal & moved) && (orthogonal & (p[ROOK] | p[QUEEN])) &&
      (orthogonal_reach(king, occupied) & (p[ROOK] | p[QUEEN])))
    return true;
  return (diagonal & moved) && (diagonal & (p[BISHOP] | p[QUEEN])) &&
         (diagonal_reach(king, occupied) & (p[BISHOP] | p[QUEEN]));
}

// What make does besides for a promotion, an en passant capture or castling;
// returns the squares, other than the mover's, that the move empties or fills.
Bitboard make_rare(Move move, int side, int type, int old_ep) {
  int from = move_from(move), to = move_to(move);
  if (int promotion = move_promotion(move)) {
    change_type(board[from], side, from, type, promotion);
    return 0;
  }
  if (type == PAWN) {
    int square = board[old_ep];
    board[square] = NO_PIECE;
    remove_piece(old_ep, 1 - side, square);
    return bit(square);
  }
  const Castling& c = castling_of(side, from, to);
  move_piece(board[c.rook_from], side, ROOK, c.rook_from, c.rook_to);
  return bit(c.rook_from) | bit(c.rook_to);
}

// make_move and unmake_move for each side, so that the side's own tables
// are fixed addresses. With NO_CHECK_BEFORE the check test is
// now_attacks_king's.
template <int SIDE, bool NO_CHECK_BEFORE>
int make(Move move, int& previous_ep) {
  constexpr int ENEMY = 1 - SIDE;
  int from = move_from(move), to = move_to(move);
  int mover = board[from];
  int captured = move_captured(move);  // the board's, as the move was generated here
  int old_ep = ep_slot;
  previous_ep = old_ep;
  ep_slot = 0;
  castle_rights &= castling_keep[from] & castling_keep[to];

  int type = board[mover + TYPE_OFFSET];
  Bitboard moved = bit(from) | bit(to);
  if (type == PAWN) {
    int d = to - from;
    if (d == 2 * NORTH || d == 2 * SOUTH) ep_slot = mover;
  }
  if (move_promotion(move) || (type == PAWN && ((to - from) & 1) && captured == NO_PIECE) ||
      (type == KING && is_castling_step(from, to))) {
    if (is_chess960_castling(move)) {
      castle_chess960<SIDE>(move, false);
      in_check = uint8_t(king_attacked(SIDE));
      side_to_move = ENEMY;
      return in_check;
    }
    moved |= make_rare(move, SIDE, type, old_ep);
    if (int promotion = move_promotion(move)) type = promotion;
  }
  if (captured != NO_PIECE) remove_piece(captured, ENEMY, to);
  move_piece(mover, SIDE, type, from, to);

  in_check = uint8_t(NO_CHECK_BEFORE ? now_attacks_king<SIDE>(type, to, moved)
                                     : attacks_other_king(SIDE));
  side_to_move = ENEMY;
  return in_check;
}

// What unmake takes back of a promotion, an en passant capture or castling.
void unmake_rare(Move move, int side, int type, int previous_ep) {
  int from = move_from(move), to = move_to(move);
  int mover = board[from];
  if (move_promotion(move)) {
    change_type(mover, side, from, type, PAWN);
    type = PAWN;
  }
  if (type == PAWN) {
    if (move_captured(move) == NO_PIECE && ((to - from) & 1)) {
      // The pawn taken en passant stood beside the from-square, on the to-file.
      restore_piece(previous_ep, 1 - side, to > from ? to - NORTH : to - SOUTH);
    }
  } else if (type == KING && is_castling_step(from, to)) {
    const Castling& c = castling_of(side, from, to);
    move_piece(board[c.rook_to], side, ROOK, c.rook_to, c.rook_from);
  }
}

// Puts the piece on the to-square back where it came from, and what it took
// back where it stood; returns the piece's type.
template <int SIDE>
inline int unmake_piece(Move move) {
  int from = move_from(move), to = move_to(move);
  int mover = board[to];
  int captured = move_captured(move);
  int type = board[mover + TYPE_OFFSET];
  move_piece(mover, SIDE, type, to, from);
  if (captured != NO_PIECE) restore_piece(captured, 1 - SIDE, to);
  return type;
}

// unmake for a move with a promotion byte: a promotion, or Chess960's
// castling, where the piece on the to-square is not the one that moved.
template <int SIDE>
void unmake_marked(Move move, int previous_ep) {
  if (is_chess960_castling(move)) {
    castle_chess960<SIDE>(move, true);
    return;
  }
  unmake_rare(move, SIDE, unmake_piece<SIDE>(move), previous_ep);
}

template <int SIDE>
void unmake(Move move, int previous_ep) {
  side_to_move = SIDE;
  ep_slot = previous_ep;
  in_check = 0;
  if (move_promotion(move)) {
    unmake_marked<SIDE>(move, previous_ep);
    return;
  }
  int type = unmake_piece<SIDE>(move);
  int from = move_from(move), to = move_to(move);
  int captured = move_captured(move);
  bool diagonal_step = (to - from) & 1;
  if ((type == PAWN && diagonal_step && captured == NO_PIECE) ||
      (type == KING && is_castling_step(from, to)))
    unmake_rare(move, SIDE, type, previous_ep);
}

}  // namespace

uint8_t castling_keep[128];
Castling chess960_castlings[2][2];
bool chess960;

// A king move loses its side's two rights and a move from or into a rook's
// square that rook's right (it moves or takes the rook the right needs).
// Applying the mask of both squares to every move does exactly that: while
// a right is set its king and rook stand at home, so no other piece moves
// from those squares, and no move ever ends on a king.
void set_castling_squares() {
  for (uint8_t& keep : castling_keep) keep = ALL_CASTLING;
  for (const auto& wings : chess960 ? chess960_castlings : castlings)
    for (const Castling& c : wings) {
      castling_keep[c.king_from] = uint8_t(castling_keep[c.king_from] & ~c.right);
      castling_keep[c.rook_from] = uint8_t(castling_keep[c.rook_from] & ~c.right);
    }
}

int make_move(Move move, int& previous_ep) {
  return side_to_move == WHITE ? make<WHITE, false>(move, previous_ep)
                               : make<BLACK, false>(move, previous_ep);
}

int make_move_after_legal(Move move, int& previous_ep) {
  return side_to_move == WHITE ? make<WHITE, true>(move, previous_ep)
                               : make<BLACK, true>(move, previous_ep);
}

void unmake_move(Move move, int previous_ep) {
  // The side that moved is the one not to move now.
  side_to_move == BLACK ? unmake<WHITE>(move, previous_ep) : unmake<BLACK>(move, previous_ep);
}

int play_move(Move move) {
  for (int i = 0; i < KILLER_PLIES - 1; i++) killers[i] = killers[i + 1];
  int scratch;
  return make_move(move, scratch);
}
