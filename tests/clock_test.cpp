// The UCI program's budget for a move, in the units GUIs send
// (milliseconds), and the levels' node budgets.
#include <gtest/gtest.h>

#include "frontend/clock.hpp"
#include "frontend/levels.hpp"
#include "frontend/wdl.hpp"

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

TEST(Clock, MoveOverheadIsWhatTheBudgetKeepsBack) {
  ClockLimits limits = clock_of(60000);
  limits.overhead = 500;
  EXPECT_EQ(budget_for(limits).soft, (60000 - 500) / 30);
  limits.overhead = 0;
  EXPECT_EQ(budget_for(limits).soft, 60000 / 30);
  // A movetime keeps back the overhead up to a tenth of it.
  limits = ClockLimits{};
  limits.movetime = 1000;
  limits.overhead = 50;
  EXPECT_EQ(budget_for(limits).hard, 950);
  limits.overhead = 500;
  EXPECT_EQ(budget_for(limits).hard, 900);
}

TEST(Clock, AMovetimeAloneIsUsedToItsEndAClockIsNot) {
  ClockLimits limits;
  limits.movetime = 1000;
  Budget budget = budget_for(limits);
  EXPECT_TRUE(budget.fills);
  // However long the next iteration looks, it starts while time is left.
  EXPECT_FALSE(next_iteration_too_long(budget, 900000, 1000000, 100000, 1.0));
  EXPECT_TRUE(next_iteration_too_long(budget, 970000, 10, 5, 0.001));
  limits.time_left = 60000;
  EXPECT_FALSE(budget_for(limits).fills);
}

TEST(Clock, TheLagIsKeptBackForEveryMoveToCome) {
  ClockLimits limits = clock_of(20000);
  limits.lag = 73;
  // 60 moves of 73 ms besides the 30 ms, as a sudden-death game may run
  // twice the 30 moves its time is spread over.
  EXPECT_EQ(budget_for(limits).soft, (20000 - 30 - 73 * 60) / 30);
  limits.moves_to_go = 1;
  EXPECT_EQ(budget_for(limits).hard, (20000 - 30 - 73) * 3 / 4);
  // Less left than the lag of the moves to come: moves are made at once.
  limits = clock_of(4000);
  limits.lag = 73;
  EXPECT_EQ(budget_for(limits).hard, 1);
}

TEST(Clock, ASlowGuiDoesNotRunOutASuddenDeathGame) {
  // 20 s for the game, 73 ms lost each move in the GUI, and every move
  // taking the whole of its hard limit: 80 moves still fit, where taking no
  // heed of the lag runs out.
  auto moves_made = [](bool heed_lag) {
    long long left = 20000, lag = 0;
    for (int move = 0; move < 80; move++) {
      ClockLimits limits = clock_of(left);
      limits.lag = heed_lag ? lag : 0;
      long long used = budget_for(limits).hard;
      long long left_now = left - used - 73;
      if (left_now <= 0) return move;
      lag = updated_lag(lag, left, 0, used, left_now);
      left = left_now;
    }
    return 80;
  };
  EXPECT_EQ(moves_made(true), 80);
  EXPECT_LT(moves_made(false), 80);
}

TEST(Clock, TheLagComesDownSlowlyAndIgnoresTimeGivenBack) {
  // 1000 ms given, 400 used, 500 left: 100 ms went elsewhere.
  EXPECT_EQ(updated_lag(0, 1000, 0, 400, 500), 100);
  // The increment comes back with the move.
  EXPECT_EQ(updated_lag(0, 1000, 100, 400, 600), 100);
  // A quicker move (20 ms) takes a quarter off the difference.
  EXPECT_EQ(updated_lag(100, 1000, 0, 400, 580), 80);
  // More left than could be: the estimate stands.
  EXPECT_EQ(updated_lag(100, 1000, 0, 400, 900), 100);
}

TEST(Levels, EachStepUpSearchesMoreAndTheRangeIsHeld) {
  EXPECT_EQ(level_nodes(0), level_nodes(LOWEST_ELO));
  EXPECT_EQ(level_nodes(99999), level_nodes(FULL_STRENGTH_ELO));
  for (int elo = LOWEST_ELO; elo < FULL_STRENGTH_ELO; elo += 10)
    EXPECT_LT(level_nodes(elo), level_nodes(elo + 10)) << elo;
  // The measured points themselves, not a neighbour's interpolation.
  EXPECT_EQ(level_nodes(1200), 4000);
}

TEST(WinDrawLoss, ChancesSumToAThousandAndFollowTheScore) {
  for (int material : {0, 2400, 7800}) {
    for (int depth : {7, 8}) {
      WinDrawLoss before = win_draw_loss(-9000, depth, material);
      for (int score = -9000; score <= 9000; score += 5) {
        WinDrawLoss now = win_draw_loss(score, depth, material);
        EXPECT_EQ(now.win + now.draw + now.loss, 1000) << score;
        EXPECT_GE(now.draw, 0) << score;
        EXPECT_GE(now.win, before.win) << score;
        EXPECT_LE(now.loss, before.loss) << score;
        before = now;
      }
    }
  }
  // A mate is a sure result.
  EXPECT_EQ(win_draw_loss(9995, 7, 1000).win, 1000);
  EXPECT_EQ(win_draw_loss(-9995, 7, 1000).loss, 1000);
}
