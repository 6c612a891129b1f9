#include <initializer_list>

#include "position/bitboards.hpp"

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
// taking it would corrupt the piece list, so such squares are never moves:
// every generator below skips occupants for which is_king_slot holds.

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
    if (slot_side(board[t]) != side && !is_king_slot(board[t]))
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
        if (slot_side(occupant) != side && !is_king_slot(board[t])) {
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
// testing every square. A ray's empty squares and the piece that ends it
// come from the bitboards; they are walked only to push quiet moves. King
// steps ask the attack test with the king lifted. En passant and castling,
// rare and subtle, still go through move_is_legal.

namespace {

struct Pins {
  int count = 0;
  Bitboard squares = 0;
  int slot[8];
  int step[8];
  int of(int s) const {
    for (int i = 0; i < count; i++)
      if (slot[i] == s) return step[i];
    return 0;
  }
};

void find_pins(int side, int king_index, Bitboard occupied, Pins& pins) {
  const Bitboard* enemy = pieces_of[1 - side];
  Bitboard orthogonal = enemy[ROOK] | enemy[QUEEN];
  Bitboard diagonal = enemy[BISHOP] | enemy[QUEEN];
  if (!(orthogonal_lines[king_index] & orthogonal) && !(diagonal_lines[king_index] & diagonal))
    return;
  for (int d = 0; d < 8; d++) {
    Bitboard sliders = d < 4 ? orthogonal : diagonal;
    if (!(ray[d][king_index] & sliders)) continue;
    int first = nearest(d, ray[d][king_index] & occupied);
    if (!(occupied_by[side] & (Bitboard(1) << first))) continue;
    Bitboard beyond = ray[d][first] & occupied;
    if (!beyond || !(sliders & (Bitboard(1) << nearest(d, beyond)))) continue;
    pins.squares |= Bitboard(1) << first;
    pins.slot[pins.count] = board[square88(first)];
    pins.step[pins.count] = piece_directions[KING][d];
    pins.count++;
  }
}

// What every generation starts from: the occupancy, the king and its pins.
struct Start {
  Bitboard occupied;
  int king_square;
  Pins pins;
  explicit Start(int side)
      : occupied(occupied_by[WHITE] | occupied_by[BLACK]), king_square(board[king_slot(side)]) {
    find_pins(side, index64(king_square), occupied, pins);
  }
};

// push_move for a target whose occupant is already known.
inline void push_known(int from, int to, int occupant, int promotion = 0) {
  Move m = Move(from) | Move(to) << 8 | Move(promotion) << 16 | Move(occupant) << 24;
  if (move_top < move_limit)
    *move_top++ = m;
  else
    dropped_moves++;
}

inline void push_promotions(int from, int to, int occupant) {
  for (int promotion : {QUEEN, ROOK, BISHOP, KNIGHT}) push_known(from, to, occupant, promotion);
}

// A capture that ends a ray or a step: a contact, and a move when the
// occupant is an enemy other than the king (and the move is legal).
inline void meet(int from, int to, int side, bool legal, int& count, int& contacts) {
  int occupant = board[to];
  contacts++;
  if (legal && slot_side(occupant) != side && !is_king_slot(occupant)) {
    count++;
    push_known(from, to, occupant);
  }
}

// A pinned piece may move only along the line through it and its king.
inline Bitboard pin_line(int from, int pin) {
  int index = index64(from);
  return ray[direction_of_step[pin + 17]][index] | ray[direction_of_step[17 - pin]][index];
}

// A pawn's moves; `allowed` holds the to-squares where its moves are legal
// (everywhere, its pin line, or the squares that answer a check).
int pawn_moves(int from, int side, Bitboard allowed, int all_moves, int& contacts) {
  int count = 0;
  int fwd = side == WHITE ? 16 : -16;
  int ahead = from + fwd;
  bool last_rank = ((ahead & 0xF0) == 0x70 || (ahead & 0xF0) == 0);
  if (board[ahead] == NO_PIECE) {
    int start_rank = side == WHITE ? 0x10 : 0x60;
    if ((from & 0xF0) == start_rank && board[ahead + fwd] == NO_PIECE &&
        (allowed & bit(ahead + fwd))) {
      count++;
      if (all_moves) push_known(from, ahead + fwd, 0);
    }
    if (allowed & bit(ahead)) {
      count++;
      if (last_rank)
        push_promotions(from, ahead, 0);
      else if (all_moves)
        push_known(from, ahead, 0);
    }
  }
  for (int t : {ahead + 1, ahead - 1}) {
    if (!on_board(t)) continue;
    int occupant = board[t];
    if (occupant == NO_PIECE) continue;
    contacts++;
    if (slot_side(occupant) == side || is_king_slot(occupant) || !(allowed & bit(t))) continue;
    count++;
    if (last_rank)
      push_promotions(from, t, occupant);
    else if (all_moves)
      push_known(from, t, occupant);
  }
  if (ep_slot != 0) {
    int e = board[ep_slot];
    if ((e == from + 1 || e == from - 1) && slot_side(ep_slot) != side &&
        board[e + fwd] == NO_PIECE && move_is_legal(make_move_word(from, e + fwd))) {
      count++;
      push_known(from, e + fwd, 0);
    }
  }
  return count;
}

inline int fast_pawn(int from, int side, int pin, int all_moves, int& contacts) {
  return pawn_moves(from, side, pin ? pin_line(from, pin) : ~Bitboard(0), all_moves, contacts);
}

int fast_knight(int from, int side, int pin, int all_moves, int& contacts) {
  int count = 0;
  for (const int8_t* s = piece_directions[KNIGHT]; *s; s++) {
    int t = from + *s;
    if (!on_board(t)) continue;
    if (board[t] != NO_PIECE) {
      meet(from, t, side, pin == 0, count, contacts);
    } else if (pin == 0) {
      count++;
      if (all_moves) push_known(from, t, 0);
    }
  }
  return count;
}

int fast_slider(int from, int type, int side, int pin, int all_moves, Bitboard occupied,
                int& contacts) {
  int count = 0;
  int index = index64(from);
  for (const int8_t* s = piece_directions[type]; *s; s++) {
    int step = *s;
    int d = direction_of_step[step + 17];
    Bitboard blockers = ray[d][index] & occupied;
    int end = blockers ? nearest(d, blockers) : -1;
    if (pin != 0 && step != pin && step != -pin) {
      // Leaving the pin's line: the first square is illegal. An empty one
      // gives the ray up; an occupied one is still a contact.
      if (end >= 0 && square88(end) == from + step) contacts++;
      continue;
    }
    int empty = end >= 0 ? ray_length[d][index] - ray_length[d][end] - 1 : ray_length[d][index];
    count += empty;
    if (all_moves) {
      int t = from + step;
      for (int i = 0; i < empty; i++, t += step) push_known(from, t, 0);
    }
    if (end >= 0) meet(from, square88(end), side, true, count, contacts);
  }
  return count;
}

int fast_king(int from, int side, int all_moves, Bitboard occupied, int& contacts) {
  int count = 0;
  int enemy = 1 - side;
  Bitboard lifted = occupied & ~bit(from);  // lines through the king open behind it
  for (const int8_t* s = piece_directions[KING]; *s; s++) {
    int t = from + *s;
    if (!on_board(t)) continue;
    int occupant = board[t];
    if (occupant != NO_PIECE) {
      contacts++;
      if (slot_side(occupant) == side || is_king_slot(occupant)) continue;
      if (!attacked_by(enemy, index64(t), lifted, bit(t))) {
        count++;
        push_known(from, t, occupant);
      }
    } else if (!attacked_by(enemy, index64(t), lifted)) {
      count++;
      if (all_moves) push_known(from, t, 0);
    }
  }
  return count;
}

// ---- Capture mode: counting without walking ------------------------------
//
// The capture mode pushes only captures and promotions but counts every
// legal move, so for a piece that is not pinned the count is read off a set
// of reached squares: its empty squares are moves, its occupied squares are
// contacts, and the enemies among them (kings apart) are captures, which
// are then pushed in the order the steps would have found them.

inline int popcount(Bitboard b) { return __builtin_popcountll(b); }

// Squares a slider reaches: each of its rays up to and including its first
// piece.
inline Bitboard slider_reach(int type, int index, Bitboard occupied) {
  Bitboard reach = 0;
  if (type & ORTHOGONAL_BIT) reach = orthogonal_reach(index, occupied);
  if (type & DIAGONAL_BIT) reach |= diagonal_reach(index, occupied);
  return reach;
}

void push_captures_in_step_order(int from, int type, Bitboard captures, Bitboard occupied) {
  if (!(captures & (captures - 1))) {  // one capture: no order to find
    int t = square88(__builtin_ctzll(captures));
    push_known(from, t, board[t]);
    return;
  }
  int index = index64(from);
  for (const int8_t* s = piece_directions[type]; *s; s++) {
    int t;
    if (type & SLIDER) {
      int d = direction_of_step[*s + 17];
      if (!(ray[d][index] & captures)) continue;
      t = square88(nearest(d, ray[d][index] & occupied));
    } else {
      t = from + *s;
      if (!on_board(t)) continue;
    }
    if (captures & bit(t)) push_known(from, t, board[t]);
  }
}

struct Targets {
  Bitboard occupied;
  Bitboard capturable;  // enemy pieces other than the king
};

// Pawns that push nothing in the capture mode (not pinned, not about to
// promote, not beside a pawn that can be taken en passant) are counted
// together; `bulk` receives them so that the slot walk skips them.
int count_plain_pawns(int side, Bitboard pinned, const Targets& targets, Bitboard& bulk,
                      int& contacts) {
  constexpr Bitboard FILE_A = 0x0101010101010101ull, FILE_H = FILE_A << 7;
  constexpr Bitboard RANK_3 = 0xFFull << 16, RANK_6 = 0xFFull << 40;
  constexpr Bitboard RANK_7 = 0xFFull << 48, RANK_2 = 0xFFull << 8;
  bulk = pieces_of[side][PAWN] & ~pinned & ~(side == WHITE ? RANK_7 : RANK_2);
  if (ep_slot != 0 && slot_side(ep_slot) != side) {
    Bitboard e = bit(board[ep_slot]);
    bulk &= ~(((e << 1) & ~FILE_A) | ((e >> 1) & ~FILE_H));
  }
  Bitboard empty = ~targets.occupied;
  Bitboard single, twice, toward_h, toward_a;
  if (side == WHITE) {
    single = (bulk << 8) & empty;
    twice = ((single & RANK_3) << 8) & empty;
    toward_h = (bulk << 9) & ~FILE_A;
    toward_a = (bulk << 7) & ~FILE_H;
  } else {
    single = (bulk >> 8) & empty;
    twice = ((single & RANK_6) >> 8) & empty;
    toward_h = (bulk >> 7) & ~FILE_A;
    toward_a = (bulk >> 9) & ~FILE_H;
  }
  toward_h &= targets.occupied;
  toward_a &= targets.occupied;
  contacts += popcount(toward_h) + popcount(toward_a);
  return popcount(single) + popcount(twice) + popcount(toward_h & targets.capturable) +
         popcount(toward_a & targets.capturable);
}

int count_king(int from, int side, const Targets& targets, int& contacts) {
  int index = index64(from);
  int enemy = 1 - side;
  Bitboard lifted = targets.occupied & ~bit(from);
  contacts += popcount(king_targets[index] & targets.occupied);
  Bitboard candidates = king_targets[index] & ~occupied_by[side] &
                        (~targets.occupied | targets.capturable);
  Bitboard legal = 0;
  for (Bitboard c = candidates; c; c &= c - 1) {
    Bitboard b = c & -c;
    if (!attacked_by(enemy, __builtin_ctzll(c), lifted, b)) legal |= b;
  }
  Bitboard captures = legal & targets.capturable;
  if (captures) push_captures_in_step_order(from, KING, captures, targets.occupied);
  return popcount(legal);
}

// The capture mode, not in check. Most pieces push nothing here, so the
// pieces are counted type by type from the bitboards; only those that will
// push (pieces with captures, pinned pieces, pawns about to promote or
// beside an en passant pawn) are then taken in slot order, which is the
// order of increasing slot numbers.
int generate_capture_mode(int side) {
  int contacts = 0;
  const Start start(side);
  const Bitboard occupied = start.occupied;
  const Pins& pins = start.pins;
  Targets targets{occupied, occupied_by[1 - side] & ~pieces_of[1 - side][KING]};
  int count = count_king(start.king_square, side, targets, contacts);
  Bitboard bulk;
  count += count_plain_pawns(side, pins.squares, targets, bulk, contacts);

  struct Pending {
    int slot, type;
    Bitboard captures;
  } pending[16];
  int n = 0;
  auto add = [&](int index, int type, Bitboard captures) {
    int slot = board[square88(index)];
    int i = n++;
    for (; i > 0 && pending[i - 1].slot > slot; i--) pending[i] = pending[i - 1];
    pending[i] = {slot, type, captures};
  };
  for (Bitboard b = pieces_of[side][PAWN] & ~bulk; b; b &= b - 1) add(__builtin_ctzll(b), PAWN, 0);
  for (int type : {KNIGHT, BISHOP, ROOK, QUEEN}) {
    for (Bitboard b = pieces_of[side][type]; b; b &= b - 1) {
      int index = __builtin_ctzll(b);
      if (pins.squares & (Bitboard(1) << index)) {
        add(index, type, 0);
        continue;
      }
      Bitboard reach = type == KNIGHT ? knight_targets[index] : slider_reach(type, index, occupied);
      Bitboard captures = reach & targets.capturable;
      contacts += popcount(reach & occupied);
      count += popcount(reach & ~occupied) + popcount(captures);
      if (captures) add(index, type, captures);
    }
  }
  for (int i = 0; i < n; i++) {
    int slot = pending[i].slot, type = pending[i].type;
    int from = board[slot];
    int pin = pins.count ? pins.of(slot) : 0;
    if (type == PAWN)
      count += fast_pawn(from, side, pin, 0, contacts);
    else if (pin != 0 && type == KNIGHT)
      count += fast_knight(from, side, pin, 0, contacts);
    else if (pin != 0)
      count += fast_slider(from, type, side, pin, 0, occupied, contacts);
    else
      push_captures_in_step_order(from, type, pending[i].captures, occupied);
  }
  return count + contacts;
}

// ---- In check ---------------------------------------------------------------
//
// In check, a move other than the king's is legal exactly when there is one
// checker, the piece is not pinned, and the move takes the checker or lands
// between it and the king (a pinned piece can do neither: its line runs
// through the king, not along the check). The walk is the plain one, rays
// running on past illegal squares; only the test is cheaper. En passant
// still asks move_is_legal.

Bitboard checkers_of(int side, int king_index, Bitboard occupied) {
  const Bitboard* enemy = pieces_of[1 - side];
  return (knight_targets[king_index] & enemy[KNIGHT]) |
         (pawn_attackers[1 - side][king_index] & enemy[PAWN]) |
         (orthogonal_reach(king_index, occupied) & (enemy[ROOK] | enemy[QUEEN])) |
         (diagonal_reach(king_index, occupied) & (enemy[BISHOP] | enemy[QUEEN]));
}

// The squares that answer the check: the checker and, for a line piece, the
// squares between it and the king. Empty in double check.
Bitboard check_answers(Bitboard checkers, int king_index) {
  if (checkers & (checkers - 1)) return 0;
  for (int d = 0; d < 8; d++) {
    if (ray[d][king_index] & checkers) {
      int checker = __builtin_ctzll(checkers);
      return checkers | (ray[d][king_index] & ~ray[d][checker] & ~checkers);
    }
  }
  return checkers;  // a knight or a pawn: only taking it helps
}

int evasion_piece(int from, int type, int side, Bitboard answers, int all_moves,
                  Bitboard occupied, int& contacts) {
  int index = index64(from);
  Bitboard reach = type == KNIGHT ? knight_targets[index] : slider_reach(type, index, occupied);
  contacts += popcount(reach & occupied);
  if (!(reach & answers)) return 0;
  int count = 0;
  bool slider = type & SLIDER;
  for (const int8_t* s = piece_directions[type]; *s; s++) {
    for (int t = from + *s; on_board(t); t += *s) {
      int occupant = board[t];
      bool answers_check = answers & bit(t);
      if (occupant != NO_PIECE) {
        if (answers_check && slot_side(occupant) != side && !is_king_slot(occupant)) {
          count++;
          push_known(from, t, occupant);
        }
        break;
      }
      if (answers_check) {
        count++;
        if (all_moves) push_known(from, t, 0);
      }
      if (!slider) break;
    }
  }
  return count;
}

int generate_evasions(int mode, int side) {
  int all_moves = mode & 1;
  int count = 0, contacts = 0;
  const Start start(side);
  int king_index = index64(start.king_square);
  Bitboard checkers = checkers_of(side, king_index, start.occupied);
  // A check flag with no checker (it is left set for the winner after a
  // mate is reported): only the plain definition says what to generate.
  if (!checkers) return generate_moves_by_testing(mode, side);
  Bitboard answers = check_answers(checkers, king_index);
  count += fast_king(start.king_square, side, all_moves, start.occupied, contacts);
  for (int i = 1, slot = next_slot(king_slot(side)); i < 16; i++, slot = next_slot(slot)) {
    int from = board[slot];
    if (from & 0x80) continue;
    int type = board[slot + TYPE_OFFSET];
    Bitboard piece_answers = (start.pins.squares & bit(from)) ? 0 : answers;
    if (type == PAWN)
      count += pawn_moves(from, side, piece_answers, all_moves, contacts);
    else
      count += evasion_piece(from, type, side, piece_answers, all_moves, start.occupied, contacts);
  }
  return count + contacts;
}

}  // namespace

int generate_moves(int mode, int side) {
  if (in_check) return generate_evasions(mode, side);
  if (!(mode & 1)) return generate_capture_mode(side);
  int count = 0, contacts = 0;
  const Start start(side);
  const Bitboard occupied = start.occupied;
  const Pins& pins = start.pins;
  count += fast_king(start.king_square, side, ALL_MOVES, occupied, contacts);
  for (int i = 1, slot = next_slot(king_slot(side)); i < 16; i++, slot = next_slot(slot)) {
    int from = board[slot];
    if (from & 0x80) continue;
    int type = board[slot + TYPE_OFFSET];
    int pin = pins.count ? pins.of(slot) : 0;
    if (type == PAWN)
      count += fast_pawn(from, side, pin, ALL_MOVES, contacts);
    else if (type == KNIGHT)
      count += fast_knight(from, side, pin, ALL_MOVES, contacts);
    else
      count += fast_slider(from, type, side, pin, ALL_MOVES, occupied, contacts);
  }
  generate_castling(side);
  return count + contacts;
}
