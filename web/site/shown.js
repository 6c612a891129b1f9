// What the board shows: the game's position, an earlier one while looking
// back through the moves, or a variation tried from there with the moves of
// the engine's lines. Looking back never changes the game.
import { uciMove } from './game.js';
import { Chess } from './lib/chess.js/dist/esm/chess.js';

export class Shown {
  constructor() {
    this.viewing = null;  // the ply looked back at, or null for the game's end
    this.variation = [];  // moves (UCI) tried from there
  }

  get atGame() {
    return this.viewing === null && !this.variation.length;
  }

  // The ply of the game shown, or from which the variation goes.
  ply(game) {
    return this.viewing ?? game.history().length;
  }

  // The position shown in `game`: {chess, last, fens (from the start), start,
  // moves (UCI, from the start), fen, turn, key}.
  position(game) {
    const ply = this.ply(game);
    let { chess, last } = game.positionAt(ply);
    const fens = game.fensTo(ply);
    const moves = [...game.uciMoves().slice(0, ply), ...this.variation];
    if (this.variation.length) {
      chess = new Chess(game.start);
      moves.forEach((uci, i) => {
        const move = chess.move(uciMove(uci));
        if (i < ply) return;
        last = move;
        fens.push(move.after);
      });
    }
    return { chess, last, fens, start: game.start, moves, fen: chess.fen(), turn: chess.turn(),
             key: `${game.start}|${moves.join(' ')}` };
  }

  // The position after `ply` plies of `game`; the game's own at its end.
  toPly(ply, game) {
    const length = game.history().length;
    const target = Math.max(0, Math.min(ply, length));
    this.viewing = target === length ? null : target;
    this.variation = [];
  }

  // A ply forward or back through the game, or back through the variation;
  // false when there is nothing that way.
  step(by, game) {
    if (this.variation.length) {
      if (by > 0) return false;
      this.variation.pop();
      return true;
    }
    const from = this.ply(game);
    this.toPly(from + by, game);
    return this.ply(game) !== from;
  }

  tryMove(uci) {
    this.variation.push(uci);
  }
}
