// The review of a whole game: each position before a move is searched at a
// fixed budget with its own engine, and the move played is judged by what
// it gives up. The engine's scores swing with the parity of the depth, so a
// move is never judged by the next position's score: the played move's
// score is compared with the best move's in the same position at the same
// depth (the best from the search of all moves, the played one, when it is
// not that, from a search of it alone, "searchmoves", to that depth).
import { Engine } from './engine.js';
import { uciMove } from './game.js';
import { chancesLost, judge } from './judgement.js';
import { Chess } from './lib/chess.js/dist/esm/chess.js';

export const REVIEW_DEPTH = 7;         // the engine's own search depth when untimed
export const REVIEW_NODES = 1500000;   // and at most this many nodes a search
export const BUDGET = `depth ${REVIEW_DEPTH}, at most ${REVIEW_NODES / 1e6} million nodes a search`;
const OPTIONS = { MultiPV: 1, UCI_ShowWDL: true };
const PATIENCE_MS = 60000;

// The line of each depth that a search reported (its first line's).
const byDepth = (lines) => new Map(lines.filter((line) => line.multipv === 1).map((line) => [line.depth, line]));

export class Review {
  // onProgress() after each move; onEnd(failure or null).
  constructor({ onProgress, onEnd }) {
    Object.assign(this, { onProgress, onEnd });
    this.engine = null;
    this.search = null;
    this.game = null;
  }

  get running() {
    return this.game !== null;
  }

  // How many of the moves are reviewed, of how many.
  get done() {
    return this.game?.review.moves.length ?? 0;
  }

  get total() {
    return this.plies?.length ?? 1;
  }

  // Reviews `game` (game.js) from its first move; its findings go into
  // game.review as they come.
  start(game) {
    this.cancel();
    this.engine ??= new Engine({ onFailure: (why) => this.end(why) });
    const history = game.history();
    this.game = game;
    this.plies = history.map((move, i) => ({
      move,
      before: history.slice(0, i).map((m) => m.lan),
      inCheck: new Chess(move.before).inCheck(),
    }));
    game.review = { budget: BUDGET, moves: [] };
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

  ask(ply, go, onDone) {
    const { move, before } = this.plies[ply];
    this.search = this.engine.search({
      start: this.game.start, moves: before, options: OPTIONS, go, patience: PATIENCE_MS, onDone,
      onFailure: (why) => this.end(`the engine failed at move ${ply + 1} (${why})`),
    });
    return move;
  }

  // Searches the position before the next move not yet reviewed.
  next() {
    const { game } = this;
    const ply = game.review.moves.length;
    this.onProgress();
    if (ply === this.plies.length) {
      this.end(null);
      return;
    }
    const { move, inCheck } = this.plies[ply];
    this.ask(ply, `go depth ${REVIEW_DEPTH} nodes ${REVIEW_NODES}`, ({ lines }) => {
      const best = byDepth(lines);
      const depth = Math.max(...best.keys());
      if (best.get(depth).pv[0] === move.lan) {
        this.found(ply, best.get(depth), best.get(depth));
        return;
      }
      // In check a depth is searched one ply deeper: ask for one less.
      const go = `go depth ${depth - (inCheck ? 1 : 0)} nodes ${REVIEW_NODES} searchmoves ${move.lan}`;
      this.ask(ply, go, (alone) => {
        const played = byDepth(alone.lines);
        const common = Math.min(depth, Math.max(...played.keys()));
        this.found(ply, best.get(common), played.get(common));
      });
    });
  }

  // The move at `ply` (0 for the first) scored `played` where the best line
  // was `best`, both reported at the same depth.
  found(ply, best, played) {
    const { move } = this.plies[ply];
    const loss = chancesLost(best.score, played.score);
    this.game.review.moves.push({
      uci: move.lan,
      depth: best.depth,
      best: best.pv[0],
      bestSan: new Chess(move.before).move(uciMove(best.pv[0])).san,
      bestScore: best.score,
      score: played.score,
      wdl: played.wdl,
      bestWdl: best.wdl,
      loss,
      judgement: best.pv[0] === move.lan ? '' : judge(loss),
    });
    this.next();
  }
}
