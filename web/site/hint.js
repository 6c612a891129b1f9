// A hint: on the player's turn, the game's engine searches at full strength
// for the player, and its move is drawn as an arrow and said in the status
// line. The game notes the ply, for the PGN to say a hint was taken there.
import { uciMove } from './game.js';
import { Chess } from './lib/chess.js/dist/esm/chess.js';

const GO = 'go depth 7 nodes 1500000';  // the review's budget
const PATIENCE_MS = 60000;

export class Hint {
  constructor(page) {
    this.page = page;
    this.key = null;     // the position it is for
    this.move = null;    // once found, in UCI
    this.search = null;  // while it is looked for
  }

  get available() {
    const { page } = this;
    return Boolean(page.engine) && page.playersTurn() && page.shown.atGame && !this.key;
  }

  take() {
    if (!this.available) return;
    const { page } = this;
    const { game } = page;
    const ply = game.history().length;
    this.key = page.shown.position(game).key;
    this.search = page.engine.search({
      start: game.start, moves: game.uciMoves(), options: { UCI_LimitStrength: false }, go: GO, patience: PATIENCE_MS,
      onDone: ({ move }) => {
        this.search = null;
        this.move = move;
        if (!game.hints.includes(ply)) game.hints.push(ply);
        page.save();
        page.arrows();
        page.say(`Hint: ${new Chess(game.fen()).move(uciMove(move)).san}.`);
      },
      onFailure: (why) => {
        this.drop();
        page.say(`No hint: ${why}.`);
      },
    });
    page.say('Looking for a hint…');
  }

  // The hint goes when the board shows another position.
  follow(key) {
    if (this.key && key !== this.key) this.drop();
  }

  drop() {
    this.search?.stop();
    Object.assign(this, { key: null, move: null, search: null });
  }
}
