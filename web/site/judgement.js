// The review's arithmetic, as players know it from lichess: a move is
// judged by the winning chances the mover gives up against the best move,
// both scored in the same position at the same depth; each side gets an
// accuracy from those losses. Scores are the engine's: {cp} or {mate} from
// the view of the side to move.

const MATE_CP = 1000;  // a mate counts as this, and no score beyond it

export const JUDGEMENTS = [
  { name: 'blunder', loss: 0.3, glyph: '??', nag: '$4', word: 'Blunder' },
  { name: 'mistake', loss: 0.2, glyph: '?', nag: '$2', word: 'Mistake' },
  { name: 'inaccuracy', loss: 0.1, glyph: '?!', nag: '$6', word: 'Inaccuracy' },
];
export const judgementNamed = (name) => JUDGEMENTS.find((j) => j.name === name);

// Centipawns clamped to +-1000, a mate as +-1000 ("mate 0": mated now).
export function clampedCp(score) {
  if (score.mate !== undefined) return score.mate > 0 ? MATE_CP : -MATE_CP;
  return Math.max(-MATE_CP, Math.min(MATE_CP, score.cp));
}

// From -1 (lost) to 1 (won).
export const winningChances = (score) => 2 / (1 + Math.exp(-0.00368208 * clampedCp(score))) - 1;

// What the mover gave up by playing the move scored `played` where the best
// scored `best` (both from the mover's view), in winning chances.
export const chancesLost = (best, played) => Math.max(0, winningChances(best) - winningChances(played));

export function judge(loss) {
  return JUDGEMENTS.find((j) => loss >= j.loss)?.name ?? '';
}

// A move's accuracy in percent, from its loss in win percent (50 times its
// loss in chances).
export function moveAccuracy(loss) {
  const accuracy = 103.1668 * Math.exp(-0.04354 * 50 * loss) - 3.1669;
  return Math.max(0, Math.min(100, accuracy));
}

// Per side, {white, black}: the counts of each judgement and the mean
// accuracy of the side's reviewed moves (null with none). `moves`: the
// reviewed moves, each {color: 'w' or 'b', loss, judgement}.
export function summary(moves) {
  const sides = {};
  for (const [side, color] of [['white', 'w'], ['black', 'b']]) {
    const own = moves.filter((move) => move.color === color);
    const count = (name) => own.filter((move) => move.judgement === name).length;
    const accuracy = own.length ? own.reduce((sum, move) => sum + moveAccuracy(move.loss), 0) / own.length : null;
    sides[side] = { inaccuracies: count('inaccuracy'), mistakes: count('mistake'), blunders: count('blunder'), accuracy };
  }
  return sides;
}

// A score seen from White's side, for a position where `turn` is to move.
export const forWhite = (score, turn) => {
  if (turn === 'w') return score;
  return score.mate !== undefined ? { mate: -score.mate } : { cp: -score.cp };
};

// White's view as GUIs write it: +0.35, -1.20, #2, #-3.
export function scoreText(white) {
  if (white.mate !== undefined) return `#${white.mate}`;
  const pawns = white.cp / 100;
  return `${pawns > 0 ? '+' : pawns < 0 ? '\u2212' : ''}${Math.abs(pawns).toFixed(2)}`;
}

// The same in a PGN's [%eval] command: 0.35, -1.2, #3, #-3.
export function pgnEval(white) {
  return white.mate !== undefined ? `#${white.mate}` : (white.cp / 100).toFixed(2);
}

// White's chance from 0 to 1 for a line: from the engine's win, draw and
// loss (per mille, the mover's view) where it gave them, else from the
// winning chances; a mate fills it.
export function whiteChance(score, wdl, turn) {
  let own;
  if (score.mate !== undefined) own = score.mate > 0 ? 1 : 0;
  else if (wdl) own = (wdl[0] + wdl[1] / 2) / 1000;
  else own = (1 + winningChances(score)) / 2;
  return turn === 'w' ? own : 1 - own;
}

// The evaluation of each position of `game` (game.js) that its review has,
// ply by ply from the start: {score (White's view), chance (White's, 0 to
// 1), over (a mate on the board)}.
export function evaluations(game) {
  const history = game.history();
  const reviewed = game.reviewedMoves();
  const seen = (score, wdl, turn) => ({ score: forWhite(score, turn), chance: whiteChance(score, wdl, turn) });
  const values = reviewed.map((entry, i) => seen(entry.eval.score, entry.eval.wdl, history[i].color));
  if (!history.length || reviewed.length < history.length) return values;
  const { final } = game.review;
  const turn = game.turn();
  if (game.chess.isCheckmate()) {
    values.push({ score: { cp: turn === 'w' ? -MATE_CP : MATE_CP }, chance: turn === 'w' ? 0 : 1, over: true });
  } else if (final?.ply === history.length) {
    values.push(seen(final.score, final.wdl, turn));
  }
  return values;
}
