// The levels, as a table of measured points between which the node budget
// is interpolated on a logarithmic scale: strength grows by about the same
// for each doubling of the nodes.
#include "frontend/levels.hpp"

#include <algorithm>
#include <cmath>

namespace {

struct Point {
  int elo;
  long long nodes;
};

// Each point's rating is what games measured for it (see the README's
// Strength section). The last point's budget is about what full strength
// searches at ten seconds a game; it only shapes the levels just below it.
constexpr Point points[] = {
    {800, 90},        {1000, 700},     {1200, 4000},
    {1400, 35000},    {1600, 400000},  {FULL_STRENGTH_ELO, 2500000},
};

}  // namespace

long long level_nodes(int elo) {
  elo = std::clamp(elo, LOWEST_ELO, FULL_STRENGTH_ELO);
  const Point* high = points;
  while (high->elo < elo) high++;
  if (high == points) return high->nodes;
  const Point* low = high - 1;
  double t = double(elo - low->elo) / double(high->elo - low->elo);
  return std::llround(std::exp(std::log(double(low->nodes)) * (1 - t) + std::log(double(high->nodes)) * t));
}
