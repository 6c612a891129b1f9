// The engine's move: iterative deepening from depth 1 to the limit, each
// iteration ordered by the last one's line (pv_line, which the root search
// rewrites as it goes) and by the killers that earlier moves left.
#include <cstdio>

#include "frontend/frontend.hpp"
#include "search/search.hpp"

bool think_prints = true;

static void say(const char* text) {
  if (think_prints) fputs(text, stdout);
}

static const char* mate_line(int winner) {
  return winner == WHITE ? "1-0 {White mates}\n" : "0-1 {Black mates}\n";
}

int think_to(int max_depth) {
  Deepening deepening = start_deepening(max_depth);
  int score = 0;
  for (int d = 1; d <= deepening.last_depth; d++) {
    score = search_iteration(deepening, d);
    if (think_prints) {
      printf("%d %d %d %d", d, score, d, node_count);
      for (int i = 0; i < pv_line.length; i++) printf(" %s", format_move(pv_line.moves[i]));
      printf("\n");
      fflush(stdout);
    }
  }
  // Mated or stalemated: the turn passes so that no front end asks again.
  if (score < -MATE_SCORE || pv_line.length == 0) {
    say(score < -MATE_SCORE ? mate_line(1 - side_to_move) : "1/2-1/2 {Stalemate}\n");
    side_to_move = 1 - side_to_move;
    return -1;
  }
  if (think_prints) printf("move %s\n", format_move(pv_line.moves[0]));
  int engine_side = side_to_move;
  play_move(pv_line.moves[0]);
  if (!first_legal_move()) {
    say(in_check ? mate_line(engine_side) : "1/2-1/2 {Stalemate}\n");
    return -1;
  }
  return 0;
}

int think_depth = MAX_DEPTH;

int think() { return think_to(think_depth); }
