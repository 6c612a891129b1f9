// The UCI program's playing strengths below its full one, chosen with
// UCI_LimitStrength and UCI_Elo. A level is a budget of nodes for each
// move: the same search, cut short, as a weaker player sees less far. Its
// numbers are ratings that games against calibrated opponents measured.
#pragma once

constexpr int LOWEST_ELO = 800;
constexpr int FULL_STRENGTH_ELO = 1750;

// The node budget of a move at `elo` (held to LOWEST_ELO..FULL_STRENGTH_ELO);
// at FULL_STRENGTH_ELO the search is not weakened at all.
long long level_nodes(int elo);
