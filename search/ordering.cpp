// Move ordering without sorting: the searches pick their next move from the
// unsearched rest of a node's list, the previous line's move and the killer
// first, then captures by victim and attacker.
#include "search/search.hpp"

PvLine pv_line;
int follow_pv;

Move* pick_best(Move* first, Move* end) {
  Move* best = first;
  int best_key = capture_key(*first);
  for (Move* p = first + 1; p < end; p++) {
    int key = capture_key(*p);
    if (key > best_key) {
      best_key = key;
      best = p;
    }
  }
  return best;
}

Move* find_pv_or_killer(Move* first, Move* end, int ply) {
  if (follow_pv) {
    for (Move* p = first; p < end; p++)
      if (*p == pv_line.moves[ply]) return p;
    follow_pv = 0;
  }
  for (Move* p = first; p < end; p++)
    if (*p == killers[ply]) return p;
  return nullptr;
}
