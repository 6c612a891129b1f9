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
// The deepest iteration the UCI program starts when its clock allows: its
// killer table and lines hold one ply more, for a side in check.
constexpr int DEEPEST_ITERATION = KILLER_PLIES - 1;
constexpr int PV_MAX = KILLER_PLIES;  // the engine's lines stay within 9 moves

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

// What think and the UCI program's go share of one move's iterative
// deepening: iterations 1, 2, ... up to last_depth, each a search_iteration
// from the game position.
struct Deepening {
  int in_check_at_root;  // each iteration restores it: unmaking clears in_check
  int last_depth;        // the depth asked for, one more when in check
};
// Starts a move's deepening to max_depth: node_count and pv_line cleared.
Deepening start_deepening(int max_depth);
// One iteration: the root search of `depth` with the full window. Fills
// pv_line and returns the score.
int search_iteration(const Deepening& deepening, int depth);

// The plies to the mate that a root score beyond the evaluation's range
// announces, from the side to move's view (negative when it is mated), as
// pv_line and the captures after it show it; 0 for any other score, and
// for a mate that cannot be shown (the quiescence search's depth floor
// makes a side in check below it look mated).
int mate_distance(int score);

// What ends a search that may be stopped early: a request (from another
// thread), a node budget or a deadline. The engine's own search never
// looks at them; the UCI front end's does.
using SearchClock = std::chrono::steady_clock;
constexpr SearchClock::rep NO_DEADLINE = SearchClock::rep(-1);
struct StopConditions {
  std::atomic<bool> requested{false};
  // In SearchClock ticks. Another thread may set it while a search runs:
  // a ponder search becomes a timed one at "ponderhit".
  std::atomic<SearchClock::rep> deadline{NO_DEADLINE};
  long long node_limit = 0;  // over the whole move; 0: none
  bool stopped = false;      // set once the search has given up
  // node_count is an int; a long search moves it here before it overflows.
  long long folded_nodes = 0;
  int next_clock_check = 0;
};
extern StopConditions stop_conditions;
// The nodes of the move so far, those folded out of node_count included.
long long searched_nodes();
// search_iteration, given up as soon as one of the stop conditions holds;
// then stop_conditions.stopped is set and the score and pv_line are not to
// be used. The position and move_top are restored either way.
int search_iteration_until_stopped(const Deepening& deepening, int depth);

// ---- The UCI program's deepening: several lines, chosen root moves --------

// No position has more legal moves than this.
constexpr int MOST_ROOT_MOVES = 256;
struct RootMoves {
  int count = 0;
  Move moves[MOST_ROOT_MOVES];
};
// The root moves that search_chosen_root searches; the others it passes over.
extern RootMoves chosen_root_moves;
// search_iteration (or, when stoppable, search_iteration_until_stopped) over
// chosen_root_moves alone; at least one of them must be legal here.
int search_chosen_root(const Deepening& deepening, int depth, bool stoppable);

// One line of an iteration: a root move, its own score at that depth (from
// the side to move's view) and the plies to the mate it shows (mate_distance).
struct AnalysisLine {
  int score;
  int mate_plies;
  PvLine line;
};
// What an iteration found: its lines, best first. `complete` is false for
// one given up part way, which holds only the lines it finished.
struct Iteration {
  int depth;
  bool complete;
  int count;
  AnalysisLine lines[MOST_ROOT_MOVES];
};
// How far a search of the UCI program goes and what it looks at. It also
// ends on stop_conditions (a request, the node budget, the deadline).
struct AnalysisPlan {
  int depth;           // the deepest iteration
  bool deepens;        // led by a clock or a budget: a mate shown in full ends it
  long long mate = 0;  // end once a mate in this many moves is shown
  int lines = 1;       // the best `lines` root moves, each with its own search
  RootMoves root;      // the root moves to search: the legal ones, or some of them
  // Told of every iteration, finished or given up with lines to show;
  // returns false when no further iteration is to start.
  bool (*iteration_done)(const Iteration&);
};
// The move to play after iterative deepening as the plan says, and in
// `reply` the line's second move (0 when none). Line 1 of each iteration
// searches every move of plan.root, line 2 all but line 1's move, and so
// on, each with the full window; the lines are then ordered by score.
Move analyse(const AnalysisPlan& plan, Move& reply);

// Forgets what searches carry from one move to the next (killers, the last
// line, the material and mobility figures), as a new run of the program
// would have it.
void forget_searches();

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
