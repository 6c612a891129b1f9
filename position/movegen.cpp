#include <initializer_list>

#include "position/position.hpp"

void push_move(Move move) {
  move = (move & 0x00FFFFFF) | Move(board[move_to(move)]) << 24;
  if (move_top < move_limit)
    *move_top++ = move;
  else
    dropped_moves++;
}

int push_pawn_move(Move move, int push_quiet) {
  if (!move_is_legal(move)) return 0;
  int to = move_to(move);
  if ((to & 0xF0) == 0x70 || (to & 0xF0) == 0) {
    for (int promotion : {QUEEN, ROOK, BISHOP, KNIGHT})
      push_move(move | Move(promotion) << 16);
  } else if (push_quiet) {
    push_move(move);
  }
  return 1;
}

// A king can only stand on a target square after an illegal move was made;
// taking it would corrupt the piece list, so such squares are never moves.
static inline bool holds_king(int square) {
  int slot = board[square];
  return slot == WHITE_KING_SLOT || slot == BLACK_KING_SLOT;
}

static int generate_pawn(int from, int side, int all_moves, int& contacts) {
  int count = 0;
  int fwd = side == WHITE ? 16 : -16;
  int start_rank = side == WHITE ? 0x10 : 0x60;
  int ahead = from + fwd;
  if (board[ahead] == NO_PIECE) {
    if ((from & 0xF0) == start_rank && board[ahead + fwd] == NO_PIECE) {
      Move m = make_move_word(from, ahead + fwd);
      if (move_is_legal(m)) {
        count++;
        if (all_moves) push_move(m);
      }
    }
    count += push_pawn_move(make_move_word(from, ahead), all_moves);
  }
  for (int t : {ahead + 1, ahead - 1}) {
    if (!on_board(t) || board[t] == NO_PIECE) continue;
    contacts++;
    if (slot_side(board[t]) != side && !holds_king(t))
      count += push_pawn_move(make_move_word(from, t), all_moves);
  }
  if (ep_slot != 0) {
    int e = board[ep_slot];
    if ((e == from + 1 || e == from - 1) && slot_side(ep_slot) != side &&
        board[e + fwd] == NO_PIECE) {
      Move m = make_move_word(from, e + fwd);
      if (move_is_legal(m)) {
        count++;
        push_move(m);
      }
    }
  }
  return count;
}

static int generate_piece(int from, int type, int side, int all_moves, int& contacts) {
  int count = 0;
  for (const int8_t* s = piece_directions[type]; *s; s++) {
    int step = *s;
    for (int t = from + step; on_board(t); t += step) {
      int occupant = board[t];
      if (occupant != NO_PIECE) {
        contacts++;
        if (slot_side(occupant) != side && !holds_king(t)) {
          Move m = make_move_word(from, t);
          if (move_is_legal(m)) {
            count++;
            push_move(m);
          }
        }
        break;
      }
      Move m = make_move_word(from, t);
      if (move_is_legal(m)) {
        count++;
        if (all_moves) push_move(m);
      } else if (!in_check) {
        // Pinned across this ray: every farther square is illegal too.
        break;
      }
      if (!(type & SLIDER)) break;
    }
  }
  return count;
}

static void generate_castling(int side);

struct CastlingRule {
  int right, corner, from, to, empty[3];
};
static const CastlingRule castling_rules[2][2] = {
    {{WHITE_QUEEN_SIDE, A1, E1, C1, {B1, C1, D1}}, {WHITE_KING_SIDE, H1, E1, G1, {F1, G1, -1}}},
    {{BLACK_QUEEN_SIDE, A8, E8, C8, {B8, C8, D8}}, {BLACK_KING_SIDE, H8, E8, G8, {F8, G8, -1}}},
};

int generate_moves_by_testing(int mode, int side) {
  int all_moves = mode & 1;
  int count = 0, contacts = 0;
  int slot = king_slot(side);
  for (int i = 0; i < 16; i++, slot = next_slot(slot)) {
    int from = board[slot];
    if (from & 0x80) continue;
    int type = board[slot + TYPE_OFFSET];
    if (type == PAWN)
      count += generate_pawn(from, side, all_moves, contacts);
    else
      count += generate_piece(from, type, side, all_moves, contacts);
  }
  if (in_check || !all_moves) return count + contacts;
  generate_castling(side);
  return count + contacts;
}

static void generate_castling(int side) {
  for (const CastlingRule& rule : castling_rules[side]) {
    if (!(castle_rights & rule.right)) continue;
    bool empty = true;
    for (int sq : rule.empty)
      if (sq >= 0 && board[sq] != NO_PIECE) empty = false;
    int corner = board[rule.corner];
    if (!empty || corner == NO_PIECE || board[corner + TYPE_OFFSET] != ROOK) continue;
    Move m = make_move_word(rule.from, rule.to);
    if (move_is_legal(m)) push_move(m);
  }
}

// ---- The fast path, for a side not in check --------------------------------
//
// Not in check, a non-king move is illegal exactly when its piece is pinned
// to the king by an enemy line piece and leaves the pin's line. The pins are
// found once per call by looking outward from the king, so no move needs to
// be made on the board. The first illegal square of a ray is then the ray's
// first square, and giving the ray up there keeps the count identical to
// testing every square. King steps need the attack test, asked once per
// target with the king lifted off its square. En passant and castling, rare
// and subtle, still go through move_is_legal.

namespace {

struct Pins {
  int count = 0;
  int slot[8];
  int step[8];
  int of(int s) const {
    for (int i = 0; i < count; i++)
      if (slot[i] == s) return step[i];
    return 0;
  }
};

void find_pins(int side, int king_square, Pins& pins) {
  const int8_t* steps = piece_directions[KING];
  for (int d = 0; d < 8; d++) {
    int step = steps[d];
    int t = king_square + step;
    while (on_board(t) && board[t] == NO_PIECE) t += step;
    if (!on_board(t) || slot_side(board[t]) != side) continue;
    int own = board[t];
    t += step;
    while (on_board(t) && board[t] == NO_PIECE) t += step;
    if (!on_board(t)) continue;
    int enemy = board[t];
    if (slot_side(enemy) == side) continue;
    int type = board[enemy + TYPE_OFFSET];
    if ((type & SLIDER) && (type & (d < 4 ? ORTHOGONAL_BIT : DIAGONAL_BIT))) {
      pins.slot[pins.count] = own;
      pins.step[pins.count] = step;
      pins.count++;
    }
  }
}

// push_move for a target whose occupant is already known.
inline void push_known(int from, int to, int occupant, int promotion = 0) {
  Move m = Move(from) | Move(to) << 8 | Move(promotion) << 16 | Move(occupant) << 24;
  if (move_top < move_limit)
    *move_top++ = m;
  else
    dropped_moves++;
}

inline void push_promotions(int from, int to, int occupant) {
  for (int promotion : {QUEEN, ROOK, BISHOP, KNIGHT})
    push_known(from, to, occupant, promotion);
}

inline bool is_king_slot(int slot) { return (slot & ~BLACK_SLOT_BIT) == WHITE_KING_SLOT; }

int fast_pawn(int from, int side, int pin, int all_moves, int& contacts) {
  int count = 0;
  int fwd = side == WHITE ? 16 : -16;
  int ahead = from + fwd;
  bool last_rank = ((ahead & 0xF0) == 0x70 || (ahead & 0xF0) == 0);
  if (board[ahead] == NO_PIECE && (pin == 0 || pin == 16 || pin == -16)) {
    int start_rank = side == WHITE ? 0x10 : 0x60;
    if ((from & 0xF0) == start_rank && board[ahead + fwd] == NO_PIECE) {
      count++;
      if (all_moves) push_known(from, ahead + fwd, 0);
    }
    count++;
    if (last_rank)
      push_promotions(from, ahead, 0);
    else if (all_moves)
      push_known(from, ahead, 0);
  }
  for (int t : {ahead + 1, ahead - 1}) {
    if (!on_board(t)) continue;
    int occupant = board[t];
    if (occupant == NO_PIECE) continue;
    contacts++;
    if (slot_side(occupant) == side || is_king_slot(occupant)) continue;
    if (pin != 0 && t - from != pin && from - t != pin) continue;
    count++;
    if (last_rank)
      push_promotions(from, t, occupant);
    else if (all_moves)
      push_known(from, t, occupant);
  }
  if (ep_slot != 0) {
    int e = board[ep_slot];
    if ((e == from + 1 || e == from - 1) && slot_side(ep_slot) != side &&
        board[e + fwd] == NO_PIECE) {
      Move m = make_move_word(from, e + fwd);
      if (move_is_legal(m)) {
        count++;
        push_known(from, e + fwd, 0);
      }
    }
  }
  return count;
}

int fast_piece(int from, int type, int side, int pin, int all_moves, int& contacts) {
  int count = 0;
  bool slider = type & SLIDER;
  for (const int8_t* s = piece_directions[type]; *s; s++) {
    int step = *s;
    if (pin != 0 && step != pin && step != -pin) {
      // Leaving the pin's line: the first square is illegal. An empty one
      // gives the ray up; an occupied one is still a contact.
      int t = from + step;
      if (on_board(t) && board[t] != NO_PIECE) contacts++;
      continue;
    }
    for (int t = from + step; on_board(t); t += step) {
      int occupant = board[t];
      if (occupant != NO_PIECE) {
        contacts++;
        if (slot_side(occupant) != side && !is_king_slot(occupant)) {
          count++;
          push_known(from, t, occupant);
        }
        break;
      }
      count++;
      if (all_moves) push_known(from, t, 0);
      if (!slider) break;
    }
  }
  return count;
}

int fast_king(int from, int side, int all_moves, int& contacts) {
  int count = 0;
  int enemy = 1 - side;
  int king = board[from];
  board[from] = NO_PIECE;  // lines through the king's square open behind it
  for (const int8_t* s = piece_directions[KING]; *s; s++) {
    int t = from + *s;
    if (!on_board(t)) continue;
    int occupant = board[t];
    if (occupant != NO_PIECE) {
      contacts++;
      if (slot_side(occupant) == side || is_king_slot(occupant)) continue;
      if (!square_attacked(2, enemy, t)) {
        count++;
        push_known(from, t, occupant);
      }
    } else if (!square_attacked(2, enemy, t)) {
      count++;
      if (all_moves) push_known(from, t, 0);
    }
  }
  board[from] = uint8_t(king);
  return count;
}

}  // namespace

int generate_moves(int mode, int side) {
  if (in_check) return generate_moves_by_testing(mode, side);
  int all_moves = mode & 1;
  int count = 0, contacts = 0;
  int king = king_slot(side);
  int king_square = board[king];
  Pins pins;
  find_pins(side, king_square, pins);
  count += fast_king(king_square, side, all_moves, contacts);
  for (int i = 1, slot = next_slot(king); i < 16; i++, slot = next_slot(slot)) {
    int from = board[slot];
    if (from & 0x80) continue;
    int type = board[slot + TYPE_OFFSET];
    int pin = pins.count ? pins.of(slot) : 0;
    if (type == PAWN)
      count += fast_pawn(from, side, pin, all_moves, contacts);
    else
      count += fast_piece(from, type, side, pin, all_moves, contacts);
  }
  if (all_moves) generate_castling(side);
  return count + contacts;
}
