// The engine as the player's opponent: the search for its move in the game,
// at the game's level (UCI_LimitStrength and UCI_Elo, or full strength) and
// on its clock when the game is timed ("go wtime ... btime ..."), else the
// console engine's untimed search ("go").

const SILENCE_TIMEOUT_MS = 60000;  // an untimed search prints a line well within this
const GRACE_MS = 30000;            // beyond the engine's own clock, in a timed game

const levelOptions = (elo) => (elo ? { UCI_LimitStrength: true, UCI_Elo: elo } : { UCI_LimitStrength: false });

// Asks `engine` for the move of the side to move in `game` (game.js) with
// `clocks` (clocks.js); callbacks as Engine.search takes them.
export function searchMove(engine, game, clocks, callbacks) {
  const left = clocks.snapshot();
  const { increment } = clocks;
  const ms = (t) => Math.max(0, Math.round(t));
  return engine.search({
    start: game.start,
    moves: game.uciMoves(),
    options: levelOptions(game.settings.level),
    go: left ? `go wtime ${ms(left.w)} btime ${ms(left.b)} winc ${increment} binc ${increment}` : 'go',
    patience: left ? Math.max(SILENCE_TIMEOUT_MS, left[game.turn()] + increment + GRACE_MS) : SILENCE_TIMEOUT_MS,
    ...callbacks,
  });
}
