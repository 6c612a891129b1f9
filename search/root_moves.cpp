// Every root move with a score of its own, for the UCI program's weaker
// levels, which choose among moves by how much worse each is than the best.
// Each move gets the full window, so that each score is exact rather than a
// bound that only proves the move no better than another.
#include "search/search.hpp"

int score_root_moves(int depth, RootMove* out, int capacity) {
  int saved_check = in_check;
  move_top = move_stack;
  generate_moves(ALL_MOVES, side_to_move);
  int count = 0;
  for (Move* p = move_stack; p < move_top && count < capacity; p++) out[count++].move = *p;
  move_top = move_stack;
  follow_pv = 0;
  for (int i = 0; i < count; i++) {
    int saved_rights = castle_rights;
    int previous_ep;
    make_move(out[i].move, previous_ep);
    PvLine line;
    out[i].score = -search(-INFINITE_SCORE, INFINITE_SCORE, depth - 1, depth, 0, 0, line);
    castle_rights = saved_rights;
    unmake_move(out[i].move, previous_ep);
    in_check = uint8_t(saved_check);
  }
  return count;
}
