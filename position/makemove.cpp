#include "position/bitboards.hpp"

// Moves a piece on the board and in the bitboards.
static inline void move_piece(int slot, int from, int to) {
  board[slot] = uint8_t(to);
  board[to] = uint8_t(slot);
  board[from] = NO_PIECE;
  shift_piece(slot_side(slot), board[slot + TYPE_OFFSET], from, to);
}

// Takes a piece off the board (and back), keeping bitboards and material.
static inline void remove_piece(int slot, int square) {
  int side = slot_side(slot), type = board[slot + TYPE_OFFSET];
  board[slot] = OFF_BOARD;
  toggle_piece(side, type, square);
  piece_material[side] -= piece_value[type];
}
static inline void restore_piece(int slot, int square) {
  int side = slot_side(slot), type = board[slot + TYPE_OFFSET];
  board[slot] = uint8_t(square);
  board[square] = uint8_t(slot);
  toggle_piece(side, type, square);
  piece_material[side] += piece_value[type];
}

// Changes a piece's type where it stands (promotion and its undoing).
static inline void change_type(int slot, int square, int type) {
  int side = slot_side(slot), old = board[slot + TYPE_OFFSET];
  board[slot + TYPE_OFFSET] = uint8_t(type);
  pieces_of[side][old] ^= bit(square);
  pieces_of[side][type] ^= bit(square);
  piece_material[side] += piece_value[type] - piece_value[old];
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

  if (move_promotion(move)) change_type(mover, from, move_promotion(move));

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
        int square = board[old_ep];
        board[square] = NO_PIECE;
        remove_piece(old_ep, square);
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

  if (captured != NO_PIECE) remove_piece(captured, to);
  move_piece(mover, from, to);

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

  move_piece(mover, to, from);
  if (captured != NO_PIECE) restore_piece(captured, to);
  if (move_promotion(move)) change_type(mover, from, PAWN);

  switch (board[mover + TYPE_OFFSET]) {
    case KING:
      if (to - from == 2)
        move_piece(board[from + 1], from + 1, from + 3);
      else if (to - from == -2)
        move_piece(board[from - 1], from - 1, from - 4);
      break;
    case PAWN:
      if (captured == 0 && ((to - from) & 1)) {
        // The pawn taken en passant stood beside the from-square, on the to-file.
        restore_piece(previous_ep, to > from ? to - 16 : to + 16);
      }
      break;
    default:
      break;
  }
  in_check = 0;
}

int play_move(Move move) {
  for (int i = 0; i < KILLER_PLIES - 1; i++) killers[i] = killers[i + 1];
  int scratch;
  return make_move(move, scratch);
}
