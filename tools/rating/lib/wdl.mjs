// The win/draw/loss model that quorlix-uci reports with UCI_ShowWDL, and
// its fit by maximum likelihood to the scores of an engine's own games:
//
//   s' = s + c (when the score came from an odd depth)
//   a  = a0 + a1 m,  b = b0 + b1 m   (m: material left, 1 at the start)
//   win = 1 / (1 + exp(-(s' - a) / b)),  loss = 1 / (1 + exp((s' + a) / b))
//   draw = 1 - win - loss
//
// Win rises and loss falls with the score for any b > 0, and the three add
// up to one with a draw of at least nothing for any a >= 0; a and b are kept
// at 1 or more so that every material count gives a proper model.
//
// The model is even: a score of 0 is as likely to win as to lose, as it is
// against an opponent of the engine's own strength. The games are played
// against stronger and weaker ones, so the fit gives each opponent an
// offset of its own, added to the score (d, negative for a stronger one).
// Without it a stronger opponent's results would pull the other constants
// (the parity term most) towards a shift that is the opponent's, not the
// score's. The offsets hold the score's own lean as well (this engine's
// centipawns favour the mover), so the engine adds the offset of an even
// opponent: that of its games against itself where there are some, else
// the offsets' line against the rating gaps, at no gap.

import { readPgnGames, parseMoveComment } from './pgn.mjs';
import { Board } from './rules.mjs';

export const startMaterial = 7800;
export const scoreClamp = 2000;

// params: { a0, a1, b0, b1, c, d: { opponent: offset } }; a sample:
// { s, m, odd, group } (centipawns, material as a fraction of the start's,
// whether the depth was odd, the opponent).
export function wdl(p, { s, m, odd, group }) {
  const a = Math.max(1, p.a0 + p.a1 * m);
  const b = Math.max(1, p.b0 + p.b1 * m);
  const x = s + (odd ? p.c : 0) + (p.d?.[group] ?? 0);
  const win = 1 / (1 + Math.exp(-(x - a) / b));
  const loss = 1 / (1 + Math.exp((x + a) / b));
  return { win, draw: Math.max(0, 1 - win - loss), loss };
}

const tiny = 1e-12;

// Mean log-likelihood per sample; outcome 1, 0.5 or 0 for a win, draw, loss.
export function logLikelihood(p, samples) {
  let sum = 0;
  for (const x of samples) {
    const q = wdl(p, x);
    sum += Math.log(Math.max(tiny, x.outcome === 1 ? q.win : x.outcome === 0 ? q.loss : q.draw));
  }
  return sum / samples.length;
}

// The baseline that knows no score: the fit set's share of each result.
export function baseline(samples) {
  const share = (o) => samples.filter((x) => x.outcome === o).length / samples.length;
  return { win: share(1), draw: share(0.5), loss: share(0) };
}

export function baselineLogLikelihood(base, samples) {
  let sum = 0;
  for (const x of samples) sum += Math.log(Math.max(tiny, x.outcome === 1 ? base.win : x.outcome === 0 ? base.loss : base.draw));
  return sum / samples.length;
}

// Nelder and Mead's simplex, restarted where it stopped until a restart
// gains nothing: a handful of parameters and no derivatives to get wrong.
function minimize(f, start, steps, { iterations = 4000, tolerance = 1e-10 } = {}) {
  const n = start.length;
  let best = start.slice();
  let bestValue = f(best);
  for (let restart = 0; restart < 20; restart++) {
    let simplex = [best.slice(), ...steps.map((d, i) => best.map((v, j) => (i === j ? v + d : v)))];
    let values = simplex.map(f);
    for (let it = 0; it < iterations; it++) {
      const order = values.map((v, i) => i).sort((x, y) => values[x] - values[y]);
      simplex = order.map((i) => simplex[i]);
      values = order.map((i) => values[i]);
      if (values[n] - values[0] < tolerance) break;
      const centre = Array(n).fill(0);
      for (let i = 0; i < n; i++) for (let j = 0; j < n; j++) centre[j] += simplex[i][j] / n;
      const at = (t) => centre.map((c, j) => c + t * (simplex[n][j] - c));
      const reflected = at(-1);
      const fr = f(reflected);
      if (fr < values[0]) {
        const expanded = at(-2);
        const fe = f(expanded);
        [simplex[n], values[n]] = fe < fr ? [expanded, fe] : [reflected, fr];
      } else if (fr < values[n - 1]) {
        [simplex[n], values[n]] = [reflected, fr];
      } else {
        const contracted = fr < values[n] ? at(-0.5) : at(0.5);
        const fc = f(contracted);
        if (fc < Math.min(fr, values[n])) {
          [simplex[n], values[n]] = [contracted, fc];
        } else {
          for (let i = 1; i <= n; i++) {
            simplex[i] = simplex[i].map((v, j) => simplex[0][j] + 0.5 * (v - simplex[0][j]));
            values[i] = f(simplex[i]);
          }
        }
      }
    }
    const i = values.indexOf(Math.min(...values));
    const gain = bestValue - values[i];
    if (values[i] < bestValue) [best, bestValue] = [simplex[i], values[i]];
    if (gain < tolerance) break;
  }
  return best;
}

// The model kinds tried: with or without the material, with or without
// the parity term. Parameters a kind leaves out stay 0.
export const kinds = [
  { name: 'score only', free: ['a0', 'b0'] },
  { name: 'score, parity', free: ['a0', 'b0', 'c'] },
  { name: 'score, material', free: ['a0', 'a1', 'b0', 'b1'] },
  { name: 'score, material, parity', free: ['a0', 'a1', 'b0', 'b1', 'c'] },
];

const stepOf = { a0: 40, a1: 40, b0: 30, b1: 30, c: 30 };

// groups: the opponents that get an offset (none: every sample's is 0).
export function fitKind(kind, samples, groups = []) {
  const params = (v) => {
    const p = { a0: 0, a1: 0, b0: 0, b1: 0, c: 0, d: {} };
    kind.free.forEach((k, i) => (p[k] = v[i]));
    groups.forEach((g, i) => (p.d[g] = v[kind.free.length + i]));
    return p;
  };
  const init = { a0: 150, a1: 0, b0: 100, b1: 0, c: 0 };
  const v = minimize(
    (x) => -logLikelihood(params(x), samples),
    [...kind.free.map((k) => init[k]), ...groups.map(() => 0)],
    [...kind.free.map((k) => stepOf[k]), ...groups.map(() => 30)],
  );
  return params(v);
}

// The group of the games the player played against itself (both names
// begin with the player's): an opponent of exactly its strength.
export const itself = 'itself';

// The samples of one player's games: every move the player made with a
// score that is no mate, the score clamped, the material before the move,
// and the game's result from the player's view. A game against itself
// gives the samples of one side: `side` 'w' or 'b'.
export function readSamples(text, player, { side: ownSide = null } = {}) {
  const games = [];
  const results = { '1-0': 1, '0-1': 0, '1/2-1/2': 0.5 };
  let skipped = 0;
  for (const { tags, moves } of readPgnGames(text)) {
    const selfPlay = ownSide !== null;
    if (selfPlay && !(tags.White?.startsWith(player) && tags.Black?.startsWith(player))) continue;
    const side = selfPlay ? ownSide : tags.White === player ? 'w' : tags.Black === player ? 'b' : null;
    // A game lost by a crash or an illegal move says nothing of the score.
    if (!side || !(tags.Result in results) || ['abandoned', 'rules infraction'].includes(tags.Termination)) {
      if (side) skipped += 1;
      continue;
    }
    const white = results[tags.Result];
    const outcome = side === 'w' ? white : 1 - white;
    const group = selfPlay ? itself : side === 'w' ? tags.Black : tags.White;
    const board = new Board(tags.SetUp === '1' ? tags.FEN : undefined, { chess960: tags.Variant === 'Chess960' });
    const samples = [];
    let mates = 0;
    for (const { san, comment } of moves) {
      const mover = board.turn();
      const m = Math.min(1, board.material() / startMaterial);
      if (!board.playSan(san)) throw new Error(`game ${tags.White} - ${tags.Black} (${tags.Round}): "${san}" is no legal move`);
      if (mover !== side || comment === null) continue;
      const { score } = parseMoveComment(comment);
      if (!score) continue;
      if ('mate' in score) {
        mates += 1;
        continue;
      }
      const s = Math.max(-scoreClamp, Math.min(scoreClamp, score.cp));
      samples.push({ s, m, odd: score.depth !== null && score.depth % 2 === 1, group, outcome });
    }
    games.push({ tags, outcome, samples, mates });
  }
  return { games, skipped };
}

// The offset at no rating gap, from the offsets of opponents whose rating
// gap (the player's rating less theirs, from its score against them) is
// known: the least-squares line through them, or the one offset there is.
export function evenOffset(points) {
  if (points.length === 1) return points[0].d;
  const n = points.length;
  const mx = points.reduce((t, q) => t + q.gap, 0) / n;
  const my = points.reduce((t, q) => t + q.d, 0) / n;
  const sxx = points.reduce((t, q) => t + (q.gap - mx) ** 2, 0);
  if (sxx === 0) return my;
  const slope = points.reduce((t, q) => t + (q.gap - mx) * (q.d - my), 0) / sxx;
  return my - slope * mx;
}

// A score's rating gap by the logistic Elo model.
export const ratingGap = (score) => 400 * Math.log10(score / (1 - score));

// What goes into the engine: the constants and the formula, in C++, for
// a function of the score, its depth and the material (in centipawns).
export function cppSnippet(p, command, what) {
  const f = (x) => x.toFixed(2);
  return `// Fitted by tools/rating/wdl_fit.mjs on ${what}:
//   ${command}
constexpr double WDL_A0 = ${f(p.a0)}, WDL_A1 = ${f(p.a1)};  // a: a win as likely as not at s = a
constexpr double WDL_B0 = ${f(p.b0)}, WDL_B1 = ${f(p.b1)};  // b: centipawns a step of the logistic
constexpr double WDL_ODD_DEPTH = ${f(p.c)};  // added to a score from an odd depth
constexpr double WDL_SHIFT = ${f(p.shift)};  // added to every score: its lean against an even opponent
constexpr double WDL_START_MATERIAL = ${startMaterial};  // both sides' at the start, pawn 100 ... queen 900
constexpr int WDL_SCORE_CLAMP = ${scoreClamp};

// score: centipawns for the side to move (mates are sure results, before this);
// material: both sides' pieces and pawns, kings nothing.
double m = std::min(1.0, material / WDL_START_MATERIAL);
double s = std::clamp(score, -WDL_SCORE_CLAMP, WDL_SCORE_CLAMP) + (depth % 2 ? WDL_ODD_DEPTH : 0.0) + WDL_SHIFT;
double a = std::max(1.0, WDL_A0 + WDL_A1 * m);
double b = std::max(1.0, WDL_B0 + WDL_B1 * m);
double win = 1 / (1 + std::exp(-(s - a) / b));
double loss = 1 / (1 + std::exp((s + a) / b));`;
}
