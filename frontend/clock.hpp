// The UCI program's clock: how long one move may take, given what "go"
// says of the clock, and whether another iteration fits in that time.
// Times are in milliseconds unless a name says otherwise.
#pragma once

#include <cstddef>
#include <string>

// What "go" tells of the engine's side's clock.
struct ClockLimits {
  long long time_left = -1;  // -1: not given
  long long increment = 0;
  long long moves_to_go = 0;  // 0: not given
  long long movetime = -1;    // -1: not given
  // What the GUI's clock has been seen to take each move beyond the
  // engine's own time: its drawing, the adapters and pipes between them.
  long long lag = 0;
  // Kept back for the GUI and the pipes (the Move Overhead option).
  long long overhead = 30;
};

// How long a move may take: no iteration starts once it looks unable to
// end within `hard`, none at all after `soft`, and the one running at
// `hard` is given up. A budget that `fills` its time (a movetime with no
// clock) starts iterations until `hard` and gives up the one it ends in.
struct Budget {
  bool timed = false;
  long long soft = 0, hard = 0;
  bool fills = false;
};

Budget budget_for(const ClockLimits& limits);

// The lag from one move to the next, kept across games: it belongs to the
// GUI, not a game. At a go of the game from `start` after `plies` plies,
// the lag to reckon with, as the clock it gives shows it two plies on from
// the last timed move.
long long lag_for_go(const std::string& start, std::size_t plies, const ClockLimits& clock);
// A timed go of that game has answered, `used` ms after its clock started.
void timed_move_answered(const std::string& start, std::size_t plies, const ClockLimits& clock,
                         long long used);
// The next go's clock says nothing of the lag (a new game).
void forget_timed_move();

// The lag to reckon with once a move has shown one: the GUI gave
// `left_before` (and `increment`) at the go before, the engine took `used`
// from that go to its answer, and the GUI now gives `left_now`.
long long updated_lag(long long estimate, long long left_before, long long increment,
                      long long used, long long left_now);

// Whether the next iteration should not start: `elapsed_us` after the
// clock started, the last iteration having taken `last_nodes` nodes and
// the one before it `nodes_before` (0 when there was none), at
// `us_per_node` on this machine.
bool next_iteration_too_long(const Budget& budget, long long elapsed_us, long long last_nodes,
                             long long nodes_before, double us_per_node);
