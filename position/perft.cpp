#include "position/position.hpp"

long long perft(int depth) {
  if (depth == 0) return 1;
  Move* start = move_top;
  unsigned drops = dropped_moves;
  generate_moves(ALL_MOVES, side_to_move);
  long long leaves = dropped_moves != drops ? -1 : 0;
  if (leaves == 0 && depth == 1) {
    leaves = move_top - start;
  } else {
    for (Move* p = start; p < move_top && leaves >= 0; p++) {
      int saved_rights = castle_rights, previous_ep;
      make_move(*p, previous_ep);
      long long below = perft(depth - 1);
      castle_rights = saved_rights;
      unmake_move(*p, previous_ep);
      leaves = below < 0 ? -1 : leaves + below;
    }
  }
  move_top = start;
  return leaves;
}
