// Search and evaluation: the static score, move ordering, the quiescence and
// principal searches, and `think`, which chooses and plays the engine's move.
#pragma once

#include <atomic>
#include <chrono>

#include "position/position.hpp"

constexpr int INFINITE_SCORE = 10000;
constexpr int MATE_SCORE = 9999;      // a quiescence node mated, or a mate found
constexpr int EVALUATION_LIMIT = 9000;  // static scores never reach the mate range
constexpr int MAX_DEPTH = 7;          // plies per move; one more when in check
constexpr int PV_MAX = 10;

struct PvLine {
  int length;
  Move moves[PV_MAX];
};

extern PvLine pv_line;   // the latest root search's principal variation
extern int follow_pv;    // while set, the previous line is offered first

// Score of the position for the side to move; stores the material totals.
int evaluate();
// Ordering key of a move not yet made: 8 * victim type + 8 - attacker type
// for a capture, 0 otherwise.
int capture_key(Move move);
// The entry of [first, end) with the greatest capture_key (earliest on ties).
Move* pick_best(Move* first, Move* end);
// The previous line's move for this ply while it is being followed, else the
// ply's killer, else null. Clears follow_pv on the first miss.
Move* find_pv_or_killer(Move* first, Move* end, int ply);

// Fail-soft search of captures (or of every move when in check).
int quiesce(int alpha, int beta, int depth);
// Fail-soft alpha-beta with null move, PV probes and killers.
int search(int alpha, int beta, int depth, int root_depth, int null_state, int pv_node,
           PvLine& pv);

// One iteration of iterative deepening: the root search of `depth` from the
// game position, whose check flag the caller passes (the previous
// iteration's unmakes have cleared in_check). Fills pv_line.
int search_iteration(int depth, int in_check_at_root);

// What ends a search that may be stopped early: a request (from another
// thread), a node budget or a deadline. The engine's own search never
// looks at them; the UCI front end's does.
struct StopConditions {
  std::atomic<bool> requested{false};
  int node_limit = 0;  // 0: none
  bool has_deadline = false;
  std::chrono::steady_clock::time_point deadline;
  bool stopped = false;  // set once the search has given up
  int next_clock_check = 0;
};
extern StopConditions stop_conditions;
// search_iteration, given up as soon as one of the stop conditions holds;
// then stop_conditions.stopped is set and the score and pv_line are not to
// be used. The position and move_top are restored either way.
int search_iteration_until_stopped(int depth, int in_check_at_root);

// The engine's move for the side to move: iterative deepening to MAX_DEPTH
// (one more in check), progress lines, "move ..." and the move played.
// Returns -1 when the game has ended (a result line was printed), else 0.
int think();
// The same with another depth limit; for the companion tool and tests.
int think_to(int max_depth);
// The limit think uses. The engine never changes it; the companion tool's
// shallow play mode and the fuzz build do.
extern int think_depth;
// When false, think prints nothing (bench keeps its own output).
extern bool think_prints;
