// The UCI program's iterative deepening: the engine's iterations, further
// while the plan allows, over the root moves it names, with several lines
// when asked. A line is one root search with the full window over the moves
// not yet taken by the lines above it, so its score is its move's own at
// that depth, not a bound; with one line and every move it is think's
// search node for node.
#include <algorithm>

#include "search/search.hpp"

namespace {

// The lines of the iteration under way and of the one before it, which
// lead each new line's ordering.
Iteration now, before;

bool taken(Move move, int lines) {
  for (int i = 0; i < lines; i++)
    if (now.lines[i].line.moves[0] == move) return true;
  return false;
}

// The moves line `index` may search: the plan's, less those of the lines
// above it.
void choose_root_moves(const RootMoves& root, int index) {
  chosen_root_moves.count = 0;
  for (int i = 0; i < root.count; i++)
    if (!taken(root.moves[i], index)) chosen_root_moves.moves[chosen_root_moves.count++] = root.moves[i];
}

// The line a new search follows first: the best of the last iteration's
// whose move it may still search. The root reads the moves of pv_line
// whatever its length, so an empty line leaves the last search's there.
void follow_earlier_line(int index) {
  for (int i = 0; i < before.count; i++) {
    const PvLine& line = before.lines[i].line;
    if (line.length && !taken(line.moves[0], index)) {
      pv_line = line;
      return;
    }
  }
}

// Whether every line shows a mate in full: deeper iterations can add nothing.
bool all_mates_shown(const Iteration& it) {
  for (int i = 0; i < it.count; i++)
    if (it.lines[i].mate_plies <= 0 || it.lines[i].mate_plies > it.depth) return false;
  return true;
}

}  // namespace

Move analyse(const AnalysisPlan& plan, Move& reply) {
  Deepening deepening = start_deepening(plan.depth);
  int wanted = std::min(plan.lines, plan.root.count);
  before.count = 0;
  Move best = 0;
  reply = 0;
  for (int d = 1; d <= deepening.last_depth; d++) {
    now.depth = d;
    now.count = 0;
    now.complete = true;
    for (int i = 0; i < wanted; i++) {
      choose_root_moves(plan.root, i);
      if (i > 0 || d > 1) follow_earlier_line(i);
      // The first iteration always runs to its end: it is short, and it
      // gives the move to play whatever happens after it.
      int score = search_chosen_root(deepening, d, d > 1);
      if (i == 0 && pv_line.length) {
        best = pv_line.moves[0];
        reply = pv_line.length > 1 ? pv_line.moves[1] : 0;
      }
      if (d > 1 && stop_conditions.stopped) {
        now.complete = false;
        break;
      }
      now.lines[now.count++] = {score, mate_distance(score), pv_line};
    }
    // Searches of one depth need not agree to the centipawn: the best first.
    std::stable_sort(now.lines, now.lines + now.count,
                     [](const AnalysisLine& a, const AnalysisLine& b) { return a.score > b.score; });
    if (now.count) {
      const PvLine& first = now.lines[0].line;
      best = first.moves[0];
      reply = first.length > 1 ? first.moves[1] : 0;
    }
    if (!now.complete) {
      if (now.count) plan.iteration_done(now);
      break;
    }
    bool go_on = plan.iteration_done(now);
    std::swap(now, before);
    const AnalysisLine& top = before.lines[0];
    if (!go_on || stop_conditions.requested.load() ||
        (stop_conditions.node_limit && searched_nodes() >= stop_conditions.node_limit))
      break;
    if (plan.deepens) {
      if (all_mates_shown(before)) break;
      if (plan.mate && top.mate_plies > 0 && (top.mate_plies + 1) / 2 <= plan.mate) break;
    }
  }
  in_check = uint8_t(deepening.in_check_at_root);
  move_top = move_stack;
  return best;
}

void forget_searches() {
  for (Move& killer : killers) killer = 0;
  material[WHITE] = material[BLACK] = 0;
  mobility[WHITE] = mobility[BLACK] = 0;
  pv_line = PvLine{};
  follow_pv = 0;
}
