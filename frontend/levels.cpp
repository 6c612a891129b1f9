// The levels, as a table of measured points between which a level's
// numbers are interpolated. Fewer plies weaken the play in steps; the node
// budget and the chance of a lesser move fill in between them.
#include "frontend/levels.hpp"

#include <algorithm>
#include <cmath>

namespace {

struct Point {
  int elo;
  Level level;
};

// Each point's rating is what games measured for it (see the README's
// Strength section). Between points the node budget is interpolated on a
// logarithmic scale, as strength grows with each doubling of the nodes, and
// the temperature and the worst loss linearly. The last point's budget is
// about what full strength searches at ten seconds a game; it only shapes
// the levels just below it.
constexpr Point points[] = {
    {800, {1, 0, 105, 380}},
    {1000, {DEEPEST_ITERATION, 60, 0, 0}},
    {1200, {DEEPEST_ITERATION, 4000, 0, 0}},
    {1400, {DEEPEST_ITERATION, 260000, 0, 0}},
    {1600, {DEEPEST_ITERATION, 1400000, 0, 0}},
    {FULL_STRENGTH_ELO, {DEEPEST_ITERATION, 4000000, 0, 0}},
};

}  // namespace

Level level_for_elo(int elo) {
  elo = std::clamp(elo, LOWEST_ELO, FULL_STRENGTH_ELO);
  const Point* high = points;
  while (high->elo < elo) high++;
  if (high->elo == elo || high == points) return high->level;
  const Point* low = high - 1;
  double t = double(elo - low->elo) / double(high->elo - low->elo);
  // Below a point without a budget, the levels score their moves at its
  // depth, ever less at random towards the point above.
  Level level = low->level;
  if (low->level.nodes && high->level.nodes)
    level.nodes = (long long)std::lround(
        std::exp(std::log(double(low->level.nodes)) * (1 - t) + std::log(double(high->level.nodes)) * t));
  level.temperature = int(std::lround(low->level.temperature * (1 - t) + high->level.temperature * t));
  level.worst_loss = int(std::lround(low->level.worst_loss * (1 - t) + high->level.worst_loss * t));
  return level;
}

double uniform_from_seed(uint64_t seed) {
  // splitmix64: one step turns any seed, small ones too, into well-mixed bits.
  uint64_t z = seed + 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return double(z >> 11) / double(uint64_t(1) << 53);
}

int choose_move(const Level& level, const RootMove* moves, int count, double draw) {
  int best = 0;
  for (int i = 1; i < count; i++)
    if (moves[i].score > moves[best].score) best = i;
  if (level.temperature <= 0) return best;
  double weights[256];
  double total = 0;
  for (int i = 0; i < count && i < 256; i++) {
    int loss = moves[best].score - moves[i].score;
    weights[i] = loss <= level.worst_loss ? std::exp(-double(loss) / level.temperature) : 0;
    total += weights[i];
  }
  double target = draw * total;
  for (int i = 0; i < count && i < 256; i++) {
    if (target < weights[i]) return i;
    target -= weights[i];
  }
  return best;
}
