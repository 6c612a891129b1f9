// Checks shared by the fuzz targets. A broken invariant aborts with a line on
// stderr, so libFuzzer saves the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "frontend/frontend.hpp"
#include "position/bitboards.hpp"
#include "position/castling.hpp"
#include "search/search.hpp"
#include "../invariants.hpp"

[[noreturn]] inline void fuzz_fail(const char* what, int line) {
  fprintf(stderr, "fuzz check failed at line %d: %s\n", line, what);
  fflush(stderr);
  abort();
}
#define FUZZ_CHECK(condition) \
  do {                        \
    if (!(condition)) fuzz_fail(#condition, __LINE__); \
  } while (0)

// The globals no setup routine resets. A fresh process has them at zero;
// each input starts from that too, or results would depend on input order.
inline void reset_search_state() {
  material[0] = material[1] = 0;
  mobility[0] = mobility[1] = 0;
  node_count = 0;
  dropped_moves = 0;
  pv_line = PvLine{};
  follow_pv = 0;
}

// Slots 8..15, 24..31, 72..79 and 88..95.
inline bool is_slot(int slot) { return (slot & 0xA8) == 0x08; }

// A snapshot the position must still match.
#define EXPECT_SAME(snapshot)                                                  \
  do {                                                                         \
    if (const char* what = (snapshot).difference()) fuzz_fail(what, __LINE__); \
  } while (0)

// The board and piece list describe each other, each side has its one king
// in its slot, and the bitboards and material totals mirror the board.
inline void check_structure() {
  int kings = 0;
  for (int square = 0; square < 128; square++) {
    if (!on_board(square)) continue;
    int slot = board[square];
    if (slot == NO_PIECE) continue;
    FUZZ_CHECK(is_slot(slot));
    FUZZ_CHECK(board[slot] == square);
    int type = board[slot + TYPE_OFFSET];
    FUZZ_CHECK(type == PAWN || type == KNIGHT || type == KING || type == BISHOP ||
               type == ROOK || type == QUEEN);
    if (type == KING) {
      kings++;
      FUZZ_CHECK(is_king_slot(slot));
    }
    if (type == PAWN) FUZZ_CHECK(rank_of(square) != 0 && rank_of(square) != 7);
  }
  for (int slot = 0; slot < 128; slot++) {
    if (!is_slot(slot)) continue;
    int square = board[slot];
    FUZZ_CHECK(square == OFF_BOARD || on_board(square));
    if (square != OFF_BOARD) FUZZ_CHECK(board[square] == slot);
  }
  FUZZ_CHECK(kings == 2);
  for (int side : {WHITE, BLACK}) {
    int king = board[king_slot(side)];
    FUZZ_CHECK(on_board(king) && board[king_slot(side) + TYPE_OFFSET] == KING);
  }
  if (const char* fault = mirror_fault()) fuzz_fail(fault, __LINE__);
  FUZZ_CHECK(side_to_move == WHITE || side_to_move == BLACK);
}

// The structure, plus what holds in any position reached by legal moves:
// castling rights and en passant match the board, the side that just moved
// is not in check, and in_check is right. `thorough` adds a comparison of
// the two attack tests on every square, which costs more than the rest.
inline void check_position(bool thorough) {
  check_structure();
  FUZZ_CHECK(castle_rights >= 0 && castle_rights <= ALL_CASTLING);
  // A right lives only while its king and rook stand at home.
  for (int side : {WHITE, BLACK})
    for (const Castling& c : (chess960 ? chess960_castlings : castlings)[side]) {
      if (!(castle_rights & c.right)) continue;
      FUZZ_CHECK(board[c.king_from] == king_slot(side));
      int rook = board[c.rook_from];
      FUZZ_CHECK(rook != NO_PIECE && slot_side(rook) == side && board[rook + TYPE_OFFSET] == ROOK);
    }
  if (ep_slot != 0) {
    FUZZ_CHECK(is_slot(ep_slot) && on_board(board[ep_slot]));
    FUZZ_CHECK(board[ep_slot + TYPE_OFFSET] == PAWN && slot_side(ep_slot) != side_to_move);
    FUZZ_CHECK(rank_of(board[ep_slot]) == (side_to_move == WHITE ? 4 : 3));
  }

  // The side that just moved never stands in check; in_check tells whether
  // the side to move does, by both attack tests.
  FUZZ_CHECK(!king_attacked(side_to_move));
  int checked = king_attacked(1 - side_to_move);
  FUZZ_CHECK(in_check == checked);
  FUZZ_CHECK(square_attacked(ALL_ATTACKERS, 1 - side_to_move, board[king_slot(side_to_move)]) == checked);

  if (thorough) {
    Bitboard occupied = occupied_by[WHITE] | occupied_by[BLACK];
    for (int index = 0; index < 64; index++)
      for (int side : {WHITE, BLACK})
        FUZZ_CHECK(square_attacked(ALL_ATTACKERS, side, square88(index)) ==
                   int(attacked_by(side, index, occupied)));
  }
}

// A generated list and the figure returned with it.
struct Generated {
  int count = 0;
  int length = 0;
  Move moves[MOVE_STACK_SIZE];
};

inline void generate_into(int (*generate)(int, int), int mode, Generated& g) {
  Move* start = move_top;
  unsigned drops = dropped_moves;
  g.count = generate(mode, side_to_move);
  FUZZ_CHECK(dropped_moves == drops);
  g.length = int(move_top - start);
  std::memcpy(g.moves, start, sizeof(Move) * g.length);
  move_top = start;
}

// What the searches ask of the all-moves list `all` before generating it:
// its best capture (pick_best's first choice, when that takes a piece),
// that it is not judged to fit where it does not, and out of check its first entry when the king's,
// and whether a quiet word of the side to move, any from-square of its
// pieces to any square, with or without a promotion byte, is in the list.
inline void check_list_parts(Generated& all) {
  Move best = 0;
  if (all.length > 0) {
    Move* first = pick_best(all.moves, all.moves + all.length);
    if (move_captured(*first) != 0) best = *first;
  }
  if (in_check && !king_attacked(1 - side_to_move)) best = 0;  // no checker: the plain definition
  FUZZ_CHECK(best_capture() == best);
  FUZZ_CHECK(all.length == 0 || !list_fits(side_to_move, move_limit - (all.length - 1)));
  if (in_check) return;
  bool king_first = all.length > 0 && is_king_slot(board[move_from(all.moves[0])]);
  FUZZ_CHECK(first_king_step() == (king_first ? all.moves[0] : 0));
  // (A word to an occupied square is never quiet, and only a pawn's may
  // carry a promotion byte: those are asked of the unit test's lists.)
  for (int from = 0; from < 128; from++) {
    if (!on_board(from) || board[from] == NO_PIECE || slot_side(board[from]) != side_to_move)
      continue;
    bool pawn = board[board[from] + TYPE_OFFSET] == PAWN;
    for (int index = 0; index < 64; index++) {
      if (board[square88(index)] != NO_PIECE) continue;
      for (int promotion : {0, int(QUEEN), int(KNIGHT)}) {
        if (promotion && !pawn) break;
        Move w = make_move_word(from, square88(index), promotion);
        bool listed = false;
        for (int i = 0; i < all.length && !listed; i++) listed = all.moves[i] == w;
        FUZZ_CHECK((quiet_move_is_generated(w) != 0) == listed);
      }
    }
  }
}

// The fast generator agrees with the plain definition in both modes, leaves
// the board alone, and every move it lists is well formed.
inline void check_generation() {
  static Generated fast[2], plain;
  // The lists below the top are set aside while the comparison runs from the
  // stack's bottom: a FEN may hold more pieces with more moves than a game
  // can, and two such lists above each other would not fit.
  static Move lists_below[MOVE_STACK_SIZE];
  Move* top = move_top;
  int below = int(top - move_stack);
  std::memcpy(lists_below, move_stack, sizeof(Move) * below);
  move_top = move_stack;
  PositionSnapshot before = PositionSnapshot::take();
  const int modes[2] = {ALL_MOVES, CAPTURES};
  for (int i = 0; i < 2; i++) {
    generate_into(generate_moves, modes[i], fast[i]);
    EXPECT_SAME(before);
    generate_into(generate_moves_by_testing, modes[i], plain);
    EXPECT_SAME(before);
    FUZZ_CHECK(fast[i].count == plain.count);
    FUZZ_CHECK(fast[i].length == plain.length);
    FUZZ_CHECK(std::memcmp(fast[i].moves, plain.moves, sizeof(Move) * plain.length) == 0);
  }
  // The figure counts every legal move whatever the mode lists.
  FUZZ_CHECK(fast[0].count == fast[1].count);

  for (int i = 0; i < fast[0].length; i++) {
    Move m = fast[0].moves[i];
    int from = move_from(m), to = move_to(m);
    FUZZ_CHECK(on_board(from) && on_board(to) && from != to);
    int mover = board[from];
    FUZZ_CHECK(mover != NO_PIECE && slot_side(mover) == side_to_move);
    if (is_chess960_castling(m)) {
      // The king taking its own rook, which is not captured.
      FUZZ_CHECK(chess960 && !in_check && mover == king_slot(side_to_move));
      FUZZ_CHECK(move_captured(m) == NO_PIECE && board[board[to] + TYPE_OFFSET] == ROOK &&
                 slot_side(board[to]) == side_to_move);
      continue;
    }
    int victim = board[to];
    FUZZ_CHECK(move_captured(m) == victim);
    if (victim != NO_PIECE) {
      FUZZ_CHECK(slot_side(victim) != side_to_move);
      FUZZ_CHECK(board[victim + TYPE_OFFSET] != KING);
    }
    int promotion = move_promotion(m);
    bool promotes = board[mover + TYPE_OFFSET] == PAWN && (rank_of(to) == 0 || rank_of(to) == 7);
    if (promotes)
      FUZZ_CHECK(promotion == QUEEN || promotion == ROOK || promotion == BISHOP ||
                 promotion == KNIGHT);
    else
      FUZZ_CHECK(promotion == 0);
  }
  // The capture mode lists a subset of the full list.
  for (int i = 0; i < fast[1].length; i++) {
    bool found = false;
    for (int j = 0; j < fast[0].length && !found; j++) found = fast[1].moves[i] == fast[0].moves[j];
    FUZZ_CHECK(found);
  }
  check_list_parts(fast[0]);
  std::memcpy(move_stack, lists_below, sizeof(Move) * below);
  move_top = top;
}
