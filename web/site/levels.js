// The engine's levels that the page offers, weakest first, and the one a
// new visitor plays. Each is the Elo rating the engine is asked to play at
// (UCI_LimitStrength and UCI_Elo), or null for its full strength; the label
// is what the level selector shows. The ratings are those that games
// against Stockfish's limited levels measured (the README's Strength).
export const LEVELS = [
  { elo: 800, label: 'Beginner (800)' },
  { elo: 1000, label: 'Casual (1000)' },
  { elo: 1200, label: 'Improver (1200)' },
  { elo: 1400, label: 'Club player (1400)' },
  { elo: 1600, label: 'Strong club player (1600)' },
  { elo: null, label: 'Full strength (1750)' },
];

export const DEFAULT_ELO = 1000;
