// The UCI program's budget for a move, in the units GUIs send
// (milliseconds), and the levels' choice of a lesser move.
#include <gtest/gtest.h>

#include "frontend/clock.hpp"
#include "frontend/levels.hpp"

namespace {

ClockLimits clock_of(long long left, long long increment = 0, long long moves_to_go = 0) {
  ClockLimits limits;
  limits.time_left = left;
  limits.increment = increment;
  limits.moves_to_go = moves_to_go;
  return limits;
}

}  // namespace

TEST(Clock, AMoveAimsAtAShareOfWhatIsLeftAndAtMostThreeQuartersOfIt) {
  struct Case {
    ClockLimits limits;
    long long soft, hard;
  } cases[] = {
      // A thirtieth of a minute, less the 30 ms kept back; three times that.
      {clock_of(60000), 1999, 5997},
      // Three quarters of the increment join the aim.
      {clock_of(10000, 100), 332 + 75, 1221},
      // Moves to go share the time; never more than three quarters of it.
      {clock_of(10000, 0, 1), 7477, 7477},
      {clock_of(10000, 0, 4), 2492, 7476},
      // Beyond 40 moves to go counts as 40.
      {clock_of(40030, 0, 100), 1000, 3000},
      // Almost nothing left still leaves a move a millisecond.
      {clock_of(20), 1, 1},
  };
  for (const Case& c : cases) {
    Budget budget = budget_for(c.limits);
    EXPECT_TRUE(budget.timed);
    EXPECT_EQ(budget.soft, c.soft) << c.limits.time_left << " ms left";
    EXPECT_EQ(budget.hard, c.hard) << c.limits.time_left << " ms left";
  }
}

TEST(Clock, MovetimeLeavesATenthAtMostThirtyMilliseconds) {
  ClockLimits limits;
  limits.movetime = 1000;
  Budget budget = budget_for(limits);
  EXPECT_EQ(budget.hard, 970);
  EXPECT_EQ(budget.soft, 970);
  limits.movetime = 100;
  EXPECT_EQ(budget_for(limits).hard, 90);
  // With a clock as well, the smaller of the two.
  limits = clock_of(3000);
  limits.movetime = 5000;
  EXPECT_EQ(budget_for(limits).hard, std::min(budget_for(clock_of(3000)).hard, 4970LL));
  EXPECT_FALSE(budget_for(ClockLimits{}).timed);
}

TEST(Clock, NoIterationStartsThatWouldRunPastTheHardLimit) {
  Budget budget{true, 100, 300};
  // 50 ms in, the last iteration 100,000 nodes at a microsecond each and
  // five times the one before: the next would take 500 ms.
  EXPECT_TRUE(next_iteration_too_long(budget, 50000, 100000, 20000, 1.0));
  // The same at a tenth of a microsecond a node takes 50 ms: it fits.
  EXPECT_FALSE(next_iteration_too_long(budget, 50000, 100000, 20000, 0.1));
  // Past the aim, nothing more starts, however fast.
  EXPECT_TRUE(next_iteration_too_long(budget, 100000, 10, 5, 0.001));
}

TEST(Levels, RangeRunsFromTheLowestToFullStrength) {
  EXPECT_EQ(level_for_elo(FULL_STRENGTH_ELO).depth, DEEPEST_ITERATION);
  EXPECT_EQ(level_for_elo(FULL_STRENGTH_ELO).temperature, 0);
  // Out of range is held to it, and weaker never searches deeper.
  EXPECT_EQ(level_for_elo(0).depth, level_for_elo(LOWEST_ELO).depth);
  for (int elo = LOWEST_ELO; elo < FULL_STRENGTH_ELO; elo += 50) {
    EXPECT_LE(level_for_elo(elo).depth, level_for_elo(elo + 50).depth) << elo;
    EXPECT_GE(level_for_elo(elo).temperature, level_for_elo(elo + 50).temperature) << elo;
  }
}

TEST(Levels, ALesserMoveIsDrawnOnlyWithinTheWorstLoss) {
  RootMove moves[] = {{1, 0}, {2, 50}, {3, -500}, {4, 40}};
  Level level{1, 0, 100, 200};
  bool drawn[5] = {};
  for (int i = 0; i < 1000; i++)
    drawn[moves[choose_move(level, moves, 4, uniform_from_seed(i))].move] = true;
  EXPECT_TRUE(drawn[1] && drawn[2] && drawn[4]);
  EXPECT_FALSE(drawn[3]) << "a move 550 below the best was drawn";
  // Without a temperature, the best; the same seed, the same draw.
  EXPECT_EQ(choose_move(Level{1, 0, 0, 0}, moves, 4, 0.99), 1);
  EXPECT_EQ(uniform_from_seed(42), uniform_from_seed(42));
  EXPECT_NE(uniform_from_seed(42), uniform_from_seed(43));
}
