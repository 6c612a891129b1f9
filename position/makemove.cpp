#include "position/position.hpp"

static inline void move_piece(int slot, int from, int to) {
  board[slot] = uint8_t(to);
  board[to] = uint8_t(slot);
  board[from] = NO_PIECE;
}

// The right that dies when a move leaves or enters a corner square.
static inline int corner_right(int square) {
  switch (square) {
    case A1: return WHITE_QUEEN_SIDE;
    case H1: return WHITE_KING_SIDE;
    case A8: return BLACK_QUEEN_SIDE;
    case H8: return BLACK_KING_SIDE;
    default: return 0;
  }
}

int make_move(Move move, int& previous_ep) {
  int from = move_from(move), to = move_to(move);
  int mover = board[from];
  int captured = board[to];
  int old_ep = ep_slot;
  previous_ep = ep_slot;
  ep_slot = 0;

  if (move_promotion(move)) board[mover + TYPE_OFFSET] = uint8_t(move_promotion(move));

  switch (board[mover + TYPE_OFFSET]) {
    case KING:
      if (to - from == 2)
        move_piece(board[from + 3], from + 3, from + 1);
      else if (to - from == -2)
        move_piece(board[from - 4], from - 4, from - 1);
      castle_rights &= side_to_move == WHITE ? ~(WHITE_QUEEN_SIDE | WHITE_KING_SIDE)
                                             : ~(BLACK_QUEEN_SIDE | BLACK_KING_SIDE);
      break;
    case PAWN: {
      int d = to > from ? to - from : from - to;
      if (d == 32) {
        ep_slot = mover;
      } else if ((d & 1) && move_captured(move) == 0) {
        board[board[old_ep]] = NO_PIECE;
        board[old_ep] = OFF_BOARD;
      }
      break;
    }
    case ROOK:
      castle_rights &= ~corner_right(from);
      break;
    default:
      break;
  }
  // A move into a corner takes (or passes over) the rook that right needs.
  castle_rights &= ~corner_right(to);

  move_piece(mover, from, to);
  if (captured != NO_PIECE) board[captured] = OFF_BOARD;

  in_check = uint8_t(king_attacked(side_to_move));
  side_to_move = 1 - side_to_move;
  return in_check;
}

void unmake_move(Move move, int previous_ep) {
  int from = move_from(move), to = move_to(move);
  int mover = board[to];
  int captured = move_captured(move);
  side_to_move = 1 - side_to_move;
  ep_slot = previous_ep;
  if (move_promotion(move)) board[mover + TYPE_OFFSET] = PAWN;

  switch (board[mover + TYPE_OFFSET]) {
    case KING:
      if (to - from == 2)
        move_piece(board[from + 1], from + 1, from + 3);
      else if (to - from == -2)
        move_piece(board[from - 1], from - 1, from - 4);
      break;
    case PAWN:
      if (captured == 0 && ((to - from) & 1)) {
        int p = to > from ? to - 16 : to + 16;
        board[p] = uint8_t(previous_ep);
        board[previous_ep] = uint8_t(p);
      }
      break;
    default:
      break;
  }
  board[mover] = uint8_t(from);
  board[from] = uint8_t(mover);
  board[to] = uint8_t(captured);
  if (captured != NO_PIECE) board[captured] = uint8_t(to);
  in_check = 0;
}

int play_move(Move move) {
  for (int i = 0; i < KILLER_PLIES - 1; i++) killers[i] = killers[i + 1];
  int scratch;
  return make_move(move, scratch);
}
