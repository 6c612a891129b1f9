// Attack tests over the 0x88 board, and the legality test built on them.
//
// square_attacked looks outward from the square along the king's eight
// steps and stops at the first piece on each: a bishop, rook or queen there
// attacks when it moves along that kind of line, a pawn or king only from
// the adjacent square; knights are probed at their own eight jumps.
// move_is_legal makes the move on the board bytes alone (the bitboards never
// see it), asks whether the mover's king, or the square a castling king
// crosses, is attacked, and puts every byte back. Not in check, a move other
// than the king's can expose its king only along a line, so only lines are
// tested then.
#include "position/bitboards.hpp"
#include "position/castling.hpp"

int square_attacked(int mode, int side, int square) {
  const int8_t* king_steps = piece_directions[KING];
  for (int d = 0; d < 8; d++) {
    int step = king_steps[d];
    int t = square + step;
    int distance = 0;
    while (on_board(t) && board[t] == NO_PIECE) {
      t += step;
      distance++;
    }
    if (!on_board(t)) continue;
    int slot = board[t];
    if (slot_side(slot) != side) continue;
    int type = board[slot + TYPE_OFFSET];
    if (type & SLIDER) {
      if (type & (diagonal_step(d) ? DIAGONAL_BIT : ORTHOGONAL_BIT)) return 1;
      continue;
    }
    if (distance != 0 || !(mode & ALL_ATTACKERS)) continue;
    if (type == KING) return 1;
    if (type == PAWN) {
      int diff = side == WHITE ? square - t : t - square;
      if (diff == NORTH_WEST || diff == NORTH_EAST) return 1;
    }
  }
  if (!(mode & ALL_ATTACKERS)) return 0;
  for (const int8_t* s = piece_directions[KNIGHT]; *s; s++) {
    int t = square + *s;
    if (!on_board(t)) continue;
    int slot = board[t];
    if (slot != NO_PIECE && slot_side(slot) == side &&
        board[slot + TYPE_OFFSET] == KNIGHT)
      return 1;
  }
  return 0;
}

// The same answer as square_attacked(255, ...) on the king's square, from
// the bitboards.
int king_attacked(int side) { return attacks_other_king(side); }


namespace {

// Chess960 castling: no square the king passes or lands on attacked, with
// both the king and its rook lifted off their squares.
int chess960_castling_is_legal(Move move) {
  int king_from = move_from(move), rook_from = move_to(move);
  int king = board[king_from], rook = board[rook_from];
  int side = slot_side(king);
  const Castling& c = chess960_castling_of(side, king_from, rook_from);
  board[king_from] = board[rook_from] = NO_PIECE;
  RankSpan path = span_of(c.king_from, c.king_to);
  int attacked = 0;
  for (int square = path.first; square <= path.last && !attacked; square++)
    attacked = square_attacked(ALL_ATTACKERS, 1 - side, square);
  board[king_from] = uint8_t(king);
  board[rook_from] = uint8_t(rook);
  return !attacked;
}

}  // namespace

int move_is_legal(Move move) {
  if (is_chess960_castling(move)) return chess960_castling_is_legal(move);
  int from = move_from(move), to = move_to(move);
  int mover = board[from];
  int captured = board[to];
  int mover_side = slot_side(mover);
  int attacker = 1 - mover_side;
  int king_square = board[king_slot(mover_side)];
  bool king_move = from == king_square;
  int target = king_move ? to : king_square;

  if (king_move && is_castling_step(from, to) &&
      square_attacked(ALL_ATTACKERS, attacker, from + (to - from) / 2))
    return 0;

  // An en passant capture takes a pawn that is not on the to-square; lift it
  // too, or lines it opens (or a check it gives) are judged wrongly.
  int ep_square = -1;
  if (captured == NO_PIECE && ep_slot != 0 && board[mover + TYPE_OFFSET] == PAWN &&
      ((to - from) & 1)) {
    ep_square = board[ep_slot];
    board[ep_square] = NO_PIECE;
  }

  board[mover] = uint8_t(to);
  board[to] = uint8_t(mover);
  board[from] = NO_PIECE;
  if (captured != NO_PIECE) board[captured] = OFF_BOARD;

  int mode = (king_move || in_check) ? ALL_ATTACKERS : LINES_ONLY;
  int attacked = square_attacked(mode, attacker, target);

  board[mover] = uint8_t(from);
  board[from] = uint8_t(mover);
  board[to] = uint8_t(captured);
  if (captured != NO_PIECE) board[captured] = uint8_t(to);
  if (ep_square >= 0) board[ep_square] = uint8_t(ep_slot);
  return !attacked;
}
