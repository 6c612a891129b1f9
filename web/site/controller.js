// The controller: the course of a game and the one turn policy (next())
// that says who moves; what the board shows (shown.js); and the engine's
// three uses, each with an engine of its own: the game's moves and hints,
// the analysis of the position shown, and the review. The view draws from
// this state; input.js turns clicks and keys into its methods.
import { Analysis } from './analysis.js';
import { Board } from './board.js';
import { Clocks } from './clocks.js';
import { Engine } from './engine.js';
import { Game, gameFromFragment, savedGame, saveGame, START } from './game.js';
import { Hint } from './hint.js';
import { searchMove } from './opponent.js';
import { lineItem } from './panel.js';
import { Review } from './review.js';
import { Settings } from './settings.js';
import { Shown } from './shown.js';
import { Sound } from './sound.js';
import { View } from './view.js';

const element = (id) => document.getElementById(id);

export class Controller {
  constructor() {
    this.settings = new Settings();
    this.human = this.settings.human;
    this.shown = new Shown();
    this.failure = null;    // what went wrong, in words
    this.notice = null;     // said before the status until the next move
    this.catchingUp = false;  // the board is still showing the last change
    this.shows = 0;
    this.thinking = null;   // the game engine's search for its move
    this.hint = new Hint(this);
    this.resignArmed = false;
    this.sound = new Sound(this.settings.sound);
    this.clocks = new Clocks({ w: element('clock-white'), b: element('clock-black') }, (color) => this.flagFell(color));
    this.board = new Board(element('board'), {
      legalMoves: (square) => this.game.chess.moves({ square, verbose: true }),
      onMove: (move) => this.playerMove(move),
    });
    this.view = new View(this);
    this.analysis = new Analysis({ list: element('lines'), onTry: (uci) => this.tryMove(uci), onChange: () => {
      this.arrows();
      this.view.drawEvalBar();
    } });
    // The findings are kept with the game as they come.
    this.review = new Review({ onProgress: () => this.say(this.notice, this.resignArmed, true),
                               onEnd: (failure) => this.say(failure ? `The review stopped: ${failure}.` : null, false, true) });
    this.engine = null;
    if (typeof WebAssembly !== 'object' || typeof Worker !== 'function') {
      this.failure = 'this browser cannot run the engine (it needs WebAssembly and Web Workers; any current browser has both)';
    } else {
      this.engine = new Engine({ onFailure: (why) => this.engineFailed(why) });
    }
    const kept = savedGame(this.settings.chosen);
    if (!this.openLink() && kept) {
      this.game = kept.game;
      this.clocks.set(this.game.settings.timeControl, kept.clocks);
    } else if (!this.game) {
      this.begin({});
    }
    this.board.setOrientation(this.human);
    this.refresh(false);
  }

  // ---- The game ------------------------------------------------------------------

  // A game from `start` through `moves` at the chosen settings, the clocks full.
  begin({ start = START, moves = [] }) {
    this.stopThinking();
    this.review.cancel();
    this.game = new Game({ start, moves, settings: this.settings.chosen });
    this.clocks.set(this.game.settings.timeControl, null);
    this.engine?.newGame();
    if (!this.analysis.on) element('lines').replaceChildren();
  }

  // A link whose fragment holds a game replaces the one on the board. The
  // fragment is then taken off the address, so that a reload keeps the
  // game as it goes on rather than going back to the link's.
  openLink() {
    const linked = gameFromFragment(location.hash);
    if (!linked) return false;
    history.replaceState(null, '', location.pathname + location.search);
    this.begin(linked);
    this.notice = linked.problem;
    return true;
  }

  // Says `notice` before the status (or nothing); `armed` keeps Resign
  // armed; `keep` saves the game.
  say(notice, armed = this.resignArmed, keep = false) {
    this.resignArmed = armed;
    this.notice = notice;
    if (keep) this.save();
    this.view.draw();
  }

  flagFell(color) {
    if (this.game.outcome()) return;
    this.stopThinking();
    this.game.flagFell(color);
    this.ended();
  }

  // The game has ended off the board: a resignation or a flag.
  ended() {
    this.clocks.stop();
    this.sound.play('end');
    this.gameChanged();
  }

  playerMove(move) {
    if (!this.clocks.moved(this.human)) return;  // the flag fell first
    this.played(this.game.play(move));
  }

  engineMove(uci) {
    this.thinking = null;
    const color = this.game.turn();
    if (!this.clocks.moved(color)) {
      this.flagFell(color);
      return;
    }
    let move;
    try {
      move = this.game.play(uci);
    } catch {
      this.failure = `the engine answered with a move that is not legal here (${uci})`;
      this.next();
      return;
    }
    if (!performance.getEntriesByName('first-engine-move').length) performance.mark('first-engine-move');
    this.played(move);
  }

  played(move) {
    this.notice = null;
    this.resignArmed = false;
    const over = this.game.outcome();
    this.sound.play(over ? 'end' : this.game.chess.inCheck() ? 'check' : move.captured ? 'capture' : 'move');
    if (over) this.clocks.stop();
    this.gameChanged();
  }

  // The game changed: it is kept, and the board returns to it.
  gameChanged() {
    this.shown.toPly(Infinity, this.game);
    this.save();
    this.refresh();
  }

  save() {
    saveGame(this.game, this.clocks.snapshot());
  }

  // ---- Whose move ------------------------------------------------------------------

  get live() {
    return !this.failure && !this.game.outcome();
  }

  playersTurn() {
    return this.live && this.game.turn() === this.human && !this.thinking && !this.catchingUp;
  }

  // The next step of the game, once the board has caught up: the player's
  // input or the engine's move.
  next() {
    this.catchingUp = false;
    if (this.live) this.clocks.start(this.game.turn());
    else this.clocks.stop();
    this.view.draw();
    if (!this.live || this.thinking) return;
    if (this.game.turn() !== this.human) {
      if (this.engine) this.askEngine();
      this.view.draw();
    } else if (this.shown.atGame) {
      this.board.allowMoves(this.human);
    }
  }

  askEngine() {
    const fen = this.game.fen();
    if (!this.analysis.on) element('lines').replaceChildren();
    this.thinking = searchMove(this.engine, this.game, this.clocks, {
      onInfo: (info) => this.analysis.on || element('lines').append(lineItem(info, fen)),
      onDone: ({ move }) => this.engineMove(move),
      onFailure: (why) => this.engineFailed(why),
    });
  }

  engineFailed(why) {
    this.thinking = null;
    this.failure = why;
    this.clocks.stop();
    this.next();
  }

  // The game engine's search is no longer wanted; a failure is forgotten,
  // as the next search starts a new worker.
  stopThinking() {
    this.thinking?.stop();
    this.thinking = null;
    this.failure = this.engine ? null : this.failure;
  }

  // ---- What the board shows ----------------------------------------------------------

  showPly(ply) {
    this.shown.toPly(ply, this.game);
    this.refresh();
  }

  step(by) {
    if (this.shown.step(by, this.game)) this.refresh();
  }

  // A move of an engine's line: played in the game when the player is at its
  // end and to move, else tried on the board as a variation.
  tryMove(uci) {
    const move = this.shown.position(this.game).chess.moves({ verbose: true }).find((m) => m.lan === uci);
    if (!move) return;
    if (this.shown.atGame && this.playersTurn()) {
      this.playerMove(move);
    } else {
      this.shown.tryMove(uci);
      this.refresh();
    }
  }

  // Shows the position to be shown and, once the board has caught up (its
  // animations done), goes on with the game.
  refresh(animated = true) {
    const token = ++this.shows;
    this.catchingUp = true;
    const shown = this.shown.position(this.game);
    this.hint.follow(shown.key);
    if (this.engine) this.analysis.follow(this.settings.analyse ? shown : null);
    this.view.drawOpening(shown.fens);
    this.view.draw();
    this.arrows();
    this.board.show(shown.chess, shown.last, animated).then(() => token === this.shows && this.next());
  }

  arrows() {
    this.board.setArrows({ best: this.analysis.best, hint: this.hint.move });
  }
}
