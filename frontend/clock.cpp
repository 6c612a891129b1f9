// The budget of a move. A game is won or lost on the whole clock, so a move
// aims at a fair share of what is left and may run past it only while an
// iteration under way can still change the move.
#include "frontend/clock.hpp"

#include <algorithm>

namespace {

// A game with no moves-to-go is taken to last this many more moves.
constexpr long long MOVES_LEFT_GUESS = 30;
// ... and this many on the lag (see updated_lag): twice the guess.
constexpr long long LAG_MOVES_GUESS = 2 * MOVES_LEFT_GUESS;
// Moves to go beyond this are counted as this many: a long control's time
// is not spread over moves the game may never reach.
constexpr long long MOVES_TO_GO_CAP = 40;
// The increment comes after the move, so it shares only in the aim, and
// not wholly: a quarter of it stays as a reserve.
constexpr long long INCREMENT_SHARE_NUM = 3, INCREMENT_SHARE_DEN = 4;
// A move may run to this many times its aim while an iteration is under way...
constexpr long long HARD_FACTOR = 3;
// ... but never stakes more than this share of what is left.
constexpr long long HARD_SHARE_NUM = 3, HARD_SHARE_DEN = 4;
// How slowly a lag estimate comes down (see updated_lag).
constexpr long long LAG_EASING = 4;
// "movetime T" leaves a tenth of T, at most the overhead, for the delays
// the overhead is kept for: the pipes, the GUI, a busy machine's scheduler.
constexpr long long MOVETIME_MARGIN_DIVISOR = 10;

// How much longer the next iteration takes than the last, when two
// iterations have not yet shown it; and the bounds put on what they show,
// as a tiny or a freak iteration says little.
constexpr double GROWTH_GUESS = 4, GROWTH_LEAST = 2, GROWTH_MOST = 8;

}  // namespace

Budget budget_for(const ClockLimits& limits) {
  Budget budget;
  long long hard = -1, soft = -1;
  if (long long left = limits.time_left; left >= 0) {
    long long moves =
        limits.moves_to_go > 0 ? std::min(limits.moves_to_go, MOVES_TO_GO_CAP) : MOVES_LEFT_GUESS;
    // Every move to come costs the lag as well, whatever the engine does, so
    // it is kept back for each of them. A game with no moves-to-go may well
    // outlast the guess, and its last moves must not lose on the lag alone.
    long long lag_moves = limits.moves_to_go > 0 ? moves : LAG_MOVES_GUESS;
    long long reserve = std::max(limits.overhead, 0LL) + std::max(limits.lag, 0LL) * lag_moves;
    long long usable = left > reserve ? left - reserve : 0;
    soft = usable / moves + limits.increment * INCREMENT_SHARE_NUM / INCREMENT_SHARE_DEN;
    hard = std::min(soft * HARD_FACTOR, usable * HARD_SHARE_NUM / HARD_SHARE_DEN);
  }
  if (limits.movetime >= 0) {
    long long movetime = limits.movetime - std::clamp(limits.movetime / MOVETIME_MARGIN_DIVISOR,
                                                      0LL, std::max(limits.overhead, 0LL));
    // Asked for a time rather than a share of a clock, it uses the time.
    budget.fills = hard < 0;
    hard = hard < 0 ? movetime : std::min(hard, movetime);
    soft = soft < 0 ? movetime : std::min(soft, movetime);
  }
  if (hard < 0) return budget;
  budget.timed = true;
  // A move always gets a millisecond: the first iteration runs regardless.
  budget.hard = std::max<long long>(hard, 1);
  budget.soft = std::min(std::max<long long>(soft, 1), budget.hard);
  return budget;
}

namespace {

// The last move made on the GUI's clock, so that the clock the next go
// gives shows how much the GUI's side of things takes each move.
struct TimedMove {
  bool known = false;
  std::string start;
  std::size_t plies = 0;  // of the game when it was searched
  long long left = 0, increment = 0, moves_to_go = 0, used = 0;
};
TimedMove last_timed;
long long lag = 0;

}  // namespace

long long lag_for_go(const std::string& start, std::size_t plies, const ClockLimits& clock) {
  // A new period of moves gives new time, which hides the lag.
  if (last_timed.known && clock.time_left >= 0 && start == last_timed.start &&
      plies == last_timed.plies + 2 && last_timed.moves_to_go != 1)
    lag = updated_lag(lag, last_timed.left, last_timed.increment, last_timed.used, clock.time_left);
  last_timed.known = false;
  return lag;
}

void timed_move_answered(const std::string& start, std::size_t plies, const ClockLimits& clock,
                         long long used) {
  last_timed = TimedMove{true, start, plies, clock.time_left, clock.increment, clock.moves_to_go,
                         used};
}

void forget_timed_move() { last_timed.known = false; }

long long updated_lag(long long estimate, long long left_before, long long increment,
                      long long used, long long left_now) {
  long long seen = left_before + increment - used - left_now;
  // Time given back (a GUI's odds or a delay clock) says nothing of the lag.
  if (seen < 0) return estimate;
  // A slower move counts at once, a quicker one only by a quarter of the
  // difference each move: one quick move says little of the next.
  return std::max(seen, estimate - (estimate - seen) / LAG_EASING);
}

bool next_iteration_too_long(const Budget& budget, long long elapsed_us, long long last_nodes,
                             long long nodes_before, double us_per_node) {
  constexpr long long US_PER_MS = 1000;
  if (budget.fills) return elapsed_us >= budget.hard * US_PER_MS;
  if (elapsed_us >= budget.soft * US_PER_MS) return true;
  double growth = nodes_before > 0 ? double(last_nodes) / double(nodes_before) : GROWTH_GUESS;
  growth = std::clamp(growth, GROWTH_LEAST, GROWTH_MOST);
  return double(elapsed_us) + us_per_node * double(last_nodes) * growth >
         double(budget.hard * US_PER_MS);
}
