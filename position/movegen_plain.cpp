// The plain generator: the definition the fast ones are held to.
//
// Every candidate move is made on the board and tested with move_is_legal.
// Pieces are visited in slot order, their steps in list order and a ray's
// squares nearest first. The figure counts every legal move once (pushed or
// not; a promotion once, castling never) plus every occupied square a pawn's
// capture test meets or a step or ray ends on. Not in check, a ray is given
// up at its first illegal empty square: the piece is pinned across it, so
// every farther square is illegal too. In check a slider goes on, as a
// farther square may block the check.
//
// It shares the encodings and the castling table with the fast generators
// but none of their helpers, so that a fault in those cannot hide in both.
#include <initializer_list>

#include "position/castling.hpp"

namespace {

// Fills the captured-slot byte from the board and pushes the move, unless
// the stack is full.
void push_move(Move move) {
  int to = move_to(move);
  move = make_move_word(move_from(move), to, move_promotion(move), board[to]);
  if (move_top < move_limit)
    *move_top++ = move;
  else
    dropped_moves++;
}

// Tests a pawn move; pushes it (four promotions, or the plain move when
// push_quiet) when legal. Returns 1 for a legal move, 0 otherwise.
int push_pawn_move(Move move, int push_quiet) {
  if (!move_is_legal(move)) return 0;
  int to = move_to(move);
  if (is_promotion_square(to)) {
    for (int promotion : promotion_types) push_move(make_move_word(move_from(move), to, promotion));
  } else if (push_quiet) {
    push_move(move);
  }
  return 1;
}

// A king can only stand on a target square after an illegal move was made;
// taking it would corrupt the piece list, so such squares are never moves.

int generate_pawn(int from, int side, int all_moves, int& contacts) {
  int count = 0;
  int fwd = pawn_forward(side);
  int ahead = from + fwd;
  if (board[ahead] == NO_PIECE) {
    if (rank_start(from) == pawn_start_rank(side) && board[ahead + fwd] == NO_PIECE) {
      Move m = make_move_word(from, ahead + fwd);
      if (move_is_legal(m)) {
        count++;
        if (all_moves) push_move(m);
      }
    }
    count += push_pawn_move(make_move_word(from, ahead), all_moves);
  }
  for (int t : {ahead + EAST, ahead + WEST}) {
    if (!on_board(t) || board[t] == NO_PIECE) continue;
    contacts++;
    if (slot_side(board[t]) != side && !is_king_slot(board[t]))
      count += push_pawn_move(make_move_word(from, t), all_moves);
  }
  if (ep_slot != 0) {
    int e = board[ep_slot];
    if ((e == from + EAST || e == from + WEST) && slot_side(ep_slot) != side &&
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

int generate_piece(int from, int type, int side, int all_moves, int& contacts) {
  int count = 0;
  for (const int8_t* s = piece_directions[type]; *s; s++) {
    int step = *s;
    for (int t = from + step; on_board(t); t += step) {
      int occupant = board[t];
      if (occupant != NO_PIECE) {
        contacts++;
        if (slot_side(occupant) != side && !is_king_slot(occupant)) {
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
        break;
      }
      if (!(type & SLIDER)) break;
    }
  }
  return count;
}

// Chess960: every square from the king to its destination and from the
// rook to its own empty but for those two.
void generate_chess960_castling(int side) {
  for (const Castling& c : chess960_castlings[side]) {
    if (!(castle_rights & c.right)) continue;
    int rook = board[c.rook_from];
    if (rook == NO_PIECE || board[rook + TYPE_OFFSET] != ROOK || slot_side(rook) != side) continue;
    bool empty = true;
    for (RankSpan span : {span_of(c.king_from, c.king_to), span_of(c.rook_from, c.rook_to)})
      for (int square = span.first; square <= span.last; square++)
        if (board[square] != NO_PIECE && square != c.king_from && square != c.rook_from)
          empty = false;
    Move m = make_move_word(c.king_from, c.rook_from, CHESS960_CASTLING);
    if (!empty || !move_is_legal(m)) continue;
    // Not push_move: the rook on the to-square is not taken.
    if (move_top < move_limit)
      *move_top++ = m;
    else
      dropped_moves++;
  }
}

void generate_castling(int side) {
  if (chess960) {
    generate_chess960_castling(side);
    return;
  }
  for (const Castling& c : castlings[side]) {
    if (!(castle_rights & c.right)) continue;
    bool empty = true;
    for (int sq : c.empty)
      if (sq != NO_SQUARE && board[sq] != NO_PIECE) empty = false;
    int rook = board[c.rook_from];
    if (!empty || rook == NO_PIECE || board[rook + TYPE_OFFSET] != ROOK) continue;
    Move m = make_move_word(c.king_from, c.king_to);
    if (move_is_legal(m)) push_move(m);
  }
}

}  // namespace

int generate_moves_by_testing(int mode, int side) {
  int all_moves = mode & ALL_MOVES_BIT;
  int count = 0, contacts = 0;
  int slot = king_slot(side);
  for (int i = 0; i < SLOTS_PER_SIDE; i++, slot = next_slot(slot)) {
    int from = board[slot];
    if (is_off_board(from)) continue;
    int type = board[slot + TYPE_OFFSET];
    if (type == PAWN)
      count += generate_pawn(from, side, all_moves, contacts);
    else
      count += generate_piece(from, type, side, all_moves, contacts);
  }
  if (!in_check && all_moves) generate_castling(side);
  return count + contacts;
}
