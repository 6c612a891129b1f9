// The UCI program's playing strengths below its full one, chosen with
// UCI_LimitStrength and UCI_Elo. A level searches less (fewer plies, fewer
// nodes) and, at the bottom, now and then prefers a move its own search
// finds somewhat worse, as a weaker player overlooks what a stronger one
// sees. Its numbers are ratings measured against calibrated opponents.
#pragma once

#include <cstdint>

#include "search/search.hpp"

constexpr int LOWEST_ELO = 800;
constexpr int FULL_STRENGTH_ELO = 1650;

struct Level {
  int depth;        // the deepest iteration
  long long nodes;  // a move's node budget; 0: none
  // 0: the search's own move. Otherwise the move is drawn from every move
  // scoring within `worst_loss` centipawns of the best, each weighed by
  // exp(-loss / temperature).
  int temperature;
  int worst_loss;
};

// The level that plays at `elo` (from LOWEST_ELO to FULL_STRENGTH_ELO).
Level level_for_elo(int elo);

// A number drawn from [0, 1) by a generator seeded with `seed`; the same
// seed gives the same number.
double uniform_from_seed(uint64_t seed);

// Index of the move `level` plays among `count` scored moves (count > 0),
// drawn with `draw` in [0, 1).
int choose_move(const Level& level, const RootMove* moves, int count, double draw);
