// The review of a whole game: each position is searched at a fixed budget
// with an engine of its own, and each move is judged by what it gives up.
// The engine's scores swing with the parity of the depth (the mobility
// counted is the mover's), so a move is never judged by the next position's
// score at the same depth: the played move's score is compared with the best
// move's in the same position at the same depth D. The played move's score
// at depth D is the next position's best at depth D - 1, negated: the same
// tree, its leaves as far from the move's position, so a "searchmoves"
// search of the played move gives that score but for what its other move
// order changes under null-move pruning. A position's evaluation, for the
// graph, the bar and the PGN, is the mean of its best lines at the last two
// depths, which the swing leaves alone.
import { Engine } from './engine.js';
import { uciMove } from './game.js';
import { chancesLost, judge } from './judgement.js';
import { Chess } from './lib/chess.js/dist/esm/chess.js';

export const REVIEW_DEPTH = 7;         // the engine's own search depth when untimed
export const REVIEW_NODES = 1500000;   // and at most this many nodes a search
export const BUDGET = `depth ${REVIEW_DEPTH}, at most ${REVIEW_NODES / 1e6} million nodes a search`;
const GO = `go depth ${REVIEW_DEPTH} nodes ${REVIEW_NODES}`;
const OPTIONS = { MultiPV: 1, UCI_ShowWDL: true };
const PATIENCE_MS = 60000;

// The line of each depth that a search reported (its first line's).
const byDepth = (lines) => new Map(lines.filter((line) => line.multipv === 1).map((line) => [line.depth, line]));

// A position's evaluation from its lines by depth: {score, wdl}, the mean
// of the last two depths' unless the last shows a mate.
function evaluation(lines) {
  const depth = Math.max(...lines.keys());
  const [last, before] = [lines.get(depth), lines.get(depth - 1)];
  if (!before || last.score.mate !== undefined || before.score.mate !== undefined) {
    return { score: last.score, wdl: last.wdl };
  }
  const mean = (a, b) => Math.round((a + b) / 2);
  const wdl = last.wdl && before.wdl ? last.wdl.map((part, i) => mean(part, before.wdl[i])) : null;
  return { score: { cp: mean(last.score.cp, before.score.cp) }, wdl };
}

// The score of a move from the best line of the position it leads to (the
// other side's view): a mate in M there is a mate in M + 1 here.
function moveScore({ mate, cp }) {
  if (mate === undefined) return { cp: -cp };
  return { mate: mate > 0 ? -mate : 1 - mate };
}

export class Review {
  // onProgress() after each position; onEnd(failure) when it stops: null
  // when done or cancelled.
  constructor({ onProgress, onEnd }) {
    Object.assign(this, { onProgress, onEnd });
    this.engine = null;
    this.search = null;
    this.game = null;
    this.positions = [];  // each position's lines by depth, as searched
  }

  get running() {
    return this.game !== null;
  }

  // How many of the positions are searched, of how many.
  get done() {
    return this.positions.length;
  }

  get total() {
    return this.moves ? this.moves.length + 1 : 1;
  }

  // Reviews `game` (game.js) from its first move; its findings go into
  // game.review as they come: {budget, moves: [{uci, depth, best, bestSan,
  // bestScore, score, loss, judgement, eval}], final}, `eval` being the
  // position's before the move ({score, wdl}) and `final` the last
  // position's ({ply, score, wdl}).
  start(game) {
    this.cancel();
    this.engine ??= new Engine({ onFailure: (why) => this.end(why) });
    this.game = game;
    this.history = game.history();
    this.moves = this.history.map((move) => move.lan);
    this.positions = [];
    game.review = { budget: BUDGET, moves: [], final: null };
    this.next();
  }

  cancel() {
    this.search?.stop();
    this.search = null;
    if (this.game) this.end(null);
  }

  end(failure) {
    this.game = null;
    this.search = null;
    this.onEnd(failure);
  }

  // Searches the next position, and judges the move that led to it; the
  // page hears of the progress once the search is under way.
  next() {
    const ply = this.positions.length;
    if (ply > this.moves.length) {
      this.end(null);
      return;
    }
    this.search = this.engine.search({
      start: this.game.start, moves: this.moves.slice(0, ply), options: OPTIONS, go: GO, patience: PATIENCE_MS,
      onDone: ({ lines }) => {
        if (!lines.length) {  // a position the engine refuses
          this.end(`the engine did not search the position after ${ply} plies`);
          return;
        }
        this.positions.push(byDepth(lines));
        if (ply > 0) this.judge(ply - 1);
        if (ply === this.moves.length) this.game.review.final = { ply, ...evaluation(this.positions[ply]) };
        this.next();
      },
      onFailure: (why) => this.end(`the engine failed at move ${ply + 1} (${why})`),
    });
    this.onProgress();
  }

  // The move at `ply` (0 for the first), at the deepest depth that both its
  // position's search and the next one's reached.
  judge(ply) {
    const move = this.history[ply];
    const [lines, next] = [this.positions[ply], this.positions[ply + 1]];
    const depth = Math.min(Math.max(...lines.keys()), Math.max(...next.keys()) + 1);
    const best = lines.get(depth);
    const score = moveScore(next.get(depth - 1).score);
    const loss = chancesLost(best.score, score);
    this.game.review.moves.push({
      uci: move.lan,
      depth,
      best: best.pv[0],
      bestSan: new Chess(move.before).move(uciMove(best.pv[0])).san,
      bestScore: best.score,
      score,
      loss,
      judgement: best.pv[0] === move.lan ? '' : judge(loss),
      eval: evaluation(lines),
    });
  }
}
