// The page's controls: what the buttons, selectors and keys do, and the
// course of a game. It ties together the game (game.js), the board
// (board.js), the engine in its worker (engine.js), the clocks (clocks.js),
// the panel's lists (panel.js) and the sounds (sound.js); the levels come
// from levels.js.
import { Board } from './board.js';
import { Clocks, pgnTimeControl, TIME_CONTROLS } from './clocks.js';
import { Engine } from './engine.js';
import {
  colorName, engineName, Game, gameFromFragment, gameFromText, other, recall, remember, savedGame, saveGame, START,
} from './game.js';
import { DEFAULT_ELO, LEVELS } from './levels.js';
import { listMoves, moveText, searchLine } from './panel.js';
import { Sound } from './sound.js';

const element = (id) => document.getElementById(id);
const levelKey = (elo) => (elo ? String(elo) : 'full');
const PLAYER = 'Player';
const RESIGN_AGAIN = 'Click Resign again to resign.';

class Page {
  constructor() {
    this.fillSelectors();
    this.human = element('side').value === 'black' ? 'b' : 'w';
    this.viewing = null;  // the ply shown while looking back, or null for the game
    this.failure = null;  // what went wrong, in words
    this.notice = null;   // said before the status until the next move
    this.catchingUp = false;  // the board is still showing the last change
    this.shows = 0;
    this.sound = new Sound(element('sound').checked);
    this.clocks = new Clocks({ w: element('clock-white'), b: element('clock-black') }, (color) => this.flagFell(color));
    this.board = new Board(element('board'), {
      legalMoves: (square) => this.game.chess.moves({ square, verbose: true }),
      onMove: (move) => this.playerMove(move),
    });
    this.engine = null;
    if (typeof WebAssembly !== 'object' || typeof Worker !== 'function') {
      this.failure = 'this browser cannot run the engine (it needs WebAssembly and Web Workers; any current browser has both)';
    } else {
      this.engine = new Engine({
        onInfo: (info) => element('lines').append(searchLine(info, this.game.fen())),
        onMove: (uci) => this.engineMove(uci),
        onFailure: (why) => this.engineFailed(why),
      });
    }
    this.listen();

    const kept = savedGame(this.chosenSettings());
    if (!this.openLink() && kept) {
      this.game = kept.game;
      this.clocks.set(this.game.settings.timeControl, kept.clocks);
    } else if (!this.game) {
      this.begin({});
    }
    this.engine?.newGame(this.game.settings.level);
    this.board.setOrientation(this.human);
    this.refresh(false);
  }

  // ---- Settings ---------------------------------------------------------------

  fillSelectors() {
    const fill = (select, entries, chosen) => {
      select.replaceChildren(...entries.map(({ key, label }) => new Option(label, key, false, key === chosen)));
    };
    const savedLevel = recall('level');
    const level = LEVELS.some(({ elo }) => levelKey(elo) === savedLevel) ? savedLevel : levelKey(DEFAULT_ELO);
    fill(element('level'), LEVELS.map(({ elo, label }) => ({ key: levelKey(elo), label })), level);
    const savedControl = recall('time-control') ?? '';
    fill(element('time-control'), TIME_CONTROLS,
         TIME_CONTROLS.some(({ key }) => key === savedControl) ? savedControl : '');
    if (recall('side') === 'black') element('side').value = 'black';
    element('sound').checked = recall('sound') !== 'off';
  }

  // What the selectors say, for the next game.
  chosenSettings() {
    const level = element('level').value;
    return { level: level === 'full' ? null : Number(level), timeControl: element('time-control').value };
  }

  // A new level or time control: for this game while no move has been
  // played, otherwise from the next one.
  settingsChanged() {
    remember('level', element('level').value);
    remember('time-control', element('time-control').value);
    const settings = this.chosenSettings();
    if (this.game.history().length === 0 && !this.game.outcome()) {
      this.game.settings = settings;
      if (this.engine?.thinking) this.restartEngine();
      this.engine?.setLevel(settings.level);
      this.clocks.set(settings.timeControl, null);
      this.gameChanged();
    } else {
      this.notice = 'The new setting applies from the next game (New game).';
      this.showPanel();
    }
  }

  // ---- The game -----------------------------------------------------------------

  // A game from `start` through `moves` at the chosen settings, the clocks full.
  begin({ start = START, moves = [] }) {
    this.game = new Game({ start, moves, settings: this.chosenSettings() });
    this.clocks.set(this.game.settings.timeControl, null);
    this.viewing = null;
  }

  newGame() {
    this.restartEngineIfBusy();
    this.begin({});
    this.notice = null;
    this.engine?.newGame(this.game.settings.level);
    element('lines').replaceChildren();
    this.board.setOrientation(this.human);
    this.gameChanged();
  }

  // A link whose fragment holds a game replaces the one on the board. The
  // fragment is then taken off the address, so that a reload keeps the
  // game as it goes on rather than going back to the link's.
  openLink() {
    const linked = gameFromFragment(location.hash);
    if (!linked) return false;
    history.replaceState(null, '', location.pathname + location.search);
    this.restartEngineIfBusy();
    this.begin(linked);
    this.notice = linked.problem;
    return true;
  }

  load() {
    let loaded;
    try {
      loaded = gameFromText(element('load-text').value);
    } catch (error) {
      this.notice = `Nothing was loaded: ${error.message}. The game goes on as it was.`;
      this.showPanel();
      return;
    }
    this.restartEngineIfBusy();
    this.begin(loaded);
    this.notice = 'The game is loaded.';
    this.engine?.newGame(this.game.settings.level);
    element('lines').replaceChildren();
    this.gameChanged();
  }

  // Undoes plies back to the player's previous move, so that it is the
  // player's turn again; while the engine thinks, that is only the player's
  // last move.
  undo() {
    this.restartEngineIfBusy();
    this.notice = null;
    while (this.game.history().length) {
      if (this.game.undo().color === this.human) break;
    }
    this.gameChanged();
  }

  resign() {
    const button = element('resign');
    if (!button.classList.contains('armed')) {
      // A second click within a few seconds resigns: one slip of a finger does not.
      button.classList.add('armed');
      button.textContent = 'Sure? Resign';
      this.notice = RESIGN_AGAIN;
      this.showPanel();
      clearTimeout(this.disarm);
      this.disarm = setTimeout(() => this.disarmResign(), 4000);
      return;
    }
    this.disarmResign();
    this.restartEngineIfBusy();
    this.game.resign(this.human);
    this.ended();
  }

  disarmResign() {
    const button = element('resign');
    if (!button.classList.contains('armed')) return;
    button.classList.remove('armed');
    button.textContent = 'Resign';
    if (this.notice === RESIGN_AGAIN) this.notice = null;
    this.showPanel();
  }

  flagFell(color) {
    if (this.game.outcome()) return;
    this.restartEngineIfBusy();
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
    const over = this.game.outcome();
    this.sound.play(over ? 'end' : this.game.chess.inCheck() ? 'check' : move.captured ? 'capture' : 'move');
    if (over) this.clocks.stop();
    this.gameChanged();
  }

  // The game changed: it is kept, and the board returns to it.
  gameChanged() {
    this.viewing = null;
    this.save();
    this.refresh();
  }

  save() {
    saveGame(this.game, this.clocks.snapshot());
  }

  // ---- The engine ----------------------------------------------------------------

  askEngine() {
    const { game } = this;
    element('lines').replaceChildren();
    this.engine.think({
      start: game.start,
      moves: game.uciMoves(),
      level: game.settings.level,
      clocks: this.clocks.snapshot(),
      increment: this.clocks.increment,
      color: game.turn(),
    });
  }

  engineFailed(why) {
    this.failure = why;
    this.clocks.stop();
    this.next();
  }

  restartEngine() {
    if (!this.engine) return;  // this browser cannot run it at all
    this.failure = null;
    this.engine.restart();
  }

  restartEngineIfBusy() {
    if (this.engine?.thinking || this.failure) this.restartEngine();
  }

  // ---- Looking back ----------------------------------------------------------------

  // Shows the position after `ply` plies; the game's own at its end.
  view(ply) {
    const length = this.game.history().length;
    const target = Math.max(0, Math.min(ply, length));
    this.viewing = target === length ? null : target;
    this.refresh();
  }

  step(by) {
    this.view((this.viewing ?? this.game.history().length) + by);
  }

  // ---- What the page shows ------------------------------------------------------

  // Shows the position to be shown and, once the board has caught up (its
  // animations done), goes on with the game.
  refresh(animated = true) {
    const token = ++this.shows;
    this.catchingUp = true;
    const { chess, last } = this.game.positionAt(this.viewing ?? Infinity);
    this.showPanel();
    this.board.show(chess, last, animated).then(() => token === this.shows && this.next());
  }

  // The next step of the game: the player's input or the engine's move.
  next() {
    this.catchingUp = false;
    const live = !this.failure && !this.game.outcome();
    if (live) this.clocks.start(this.game.turn());
    else this.clocks.stop();
    this.showPanel();
    if (!live || this.engine?.thinking) return;
    if (this.game.turn() !== this.human) {
      if (this.engine) this.askEngine();
      this.showPanel();
    } else if (this.viewing === null) {
      this.board.allowMoves(this.human);
    }
  }

  showPanel() {
    this.showMoves();
    this.showStatus();
    this.showPlayers();
    const { game } = this;
    const length = game.history().length;
    const shown = this.viewing ?? length;
    element('undo').disabled = Boolean(game.ending) || !game.history().some((move) => move.color === this.human);
    element('resign').disabled = Boolean(game.outcome());
    element('step-back').disabled = shown === 0;
    element('step-forward').disabled = shown === length;
    const note = element('view-note');
    document.body.classList.toggle('looking-back', this.viewing !== null);
    note.textContent = this.viewing === null ? '' : `An earlier position: ${this.viewing === 0 ? 'the start' : `after ${moveText(game.history()[this.viewing - 1])}`}.`;
  }

  // The names at the clocks: the player's at the bottom of the board.
  showPlayers() {
    const names = this.names('You');
    element('name-white').textContent = names.w;
    element('name-black').textContent = names.b;
    element('play').classList.toggle('flipped', this.board.orientation() === 'b');
  }

  // The players' names, {w, b}, the player's being `player`.
  names(player = PLAYER) {
    const quorlix = engineName(this.game.settings.level);
    return this.human === 'w' ? { w: player, b: quorlix } : { w: quorlix, b: player };
  }

  showMoves() {
    const history = this.game.history();
    const firstNumber = Number(this.game.start.split(' ')[5]) || 1;
    listMoves(element('moves'), history, firstNumber, this.viewing ?? history.length, this.viewing === null);
  }

  showStatus() {
    const status = element('status');
    const over = this.game.outcome();
    let text;
    let state = '';
    const thinking = Boolean(this.engine?.thinking);
    if (this.failure) {
      text = `Something went wrong: ${this.failure}.${this.engine ? ' New game starts the engine again.' : ''}`;
      state = 'error';
    } else if (over) {
      text = over.text;
      state = 'over';
    } else if (thinking) {
      text = `Quorlix (${colorName[other(this.human)]}) is thinking…`;
      state = 'thinking';
    } else {
      text = this.game.chess.inCheck() ? 'Your move: you are in check.' : 'Your move.';
    }
    if (this.notice && !this.failure) text = `${this.notice} ${text}`;
    // Busy while the engine thinks or the board moves: the player's clicks
    // count again when it is false.
    element('board').setAttribute('aria-busy', String(thinking || this.catchingUp));
    if (this.catchingUp && !state && !this.notice) return;  // "Your move" only once the board takes it
    status.textContent = text;
    status.className = state;
  }

  // ---- Copying and saving --------------------------------------------------------

  pgn() {
    return this.game.pgn(this.names(), pgnTimeControl(this.game.settings.timeControl));
  }

  // Onto the clipboard; where the browser allows none (a page not served
  // over https or from this machine), into the text box to copy by hand.
  async copy(text, what) {
    try {
      await navigator.clipboard.writeText(text);
      this.notice = `${what} is copied.`;
    } catch {
      const box = element('load-text');
      box.value = text;
      box.select();
      this.notice = `${what} is in the box below: copy it from there.`;
    }
    this.showPanel();
  }

  downloadPgn() {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([this.pgn()], { type: 'application/x-chess-pgn' }));
    link.download = `quorlix-${this.game.date.replaceAll('.', '-')}.pgn`;
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 1000);
  }

  link() {
    const fragment = this.game.fragment();
    return `${location.origin}${location.pathname}${fragment ? `#${fragment}` : ''}`;
  }

  // ---- Input ------------------------------------------------------------------------

  listen() {
    const on = (id, what, handler) => element(id).addEventListener(what, handler);
    on('new-game', 'click', () => this.newGame());
    on('undo', 'click', () => this.undo());
    on('resign', 'click', () => this.resign());
    on('flip', 'click', () => {
      this.board.flip();
      this.showPlayers();
    });
    on('side', 'change', (event) => {
      this.human = event.target.value === 'black' ? 'b' : 'w';
      remember('side', event.target.value);
      // The engine takes over the other side where the game stands.
      if (this.engine?.thinking) this.restartEngine();
      this.board.setOrientation(this.human);
      this.save();
      this.refresh();
    });
    on('level', 'change', () => this.settingsChanged());
    on('time-control', 'change', () => this.settingsChanged());
    on('sound', 'change', (event) => {
      this.sound.enabled = event.target.checked;
      remember('sound', event.target.checked ? 'on' : 'off');
      this.sound.wake();
    });
    on('copy-pgn', 'click', () => this.copy(this.pgn(), 'The PGN'));
    on('download-pgn', 'click', () => this.downloadPgn());
    on('copy-fen', 'click', () => this.copy(this.game.positionAt(this.viewing ?? Infinity).chess.fen(), 'The FEN'));
    on('copy-link', 'click', () => this.copy(this.link(), 'The link'));
    on('load', 'click', () => this.load());
    on('moves', 'click', (event) => {
      const ply = event.target.closest('[data-ply]')?.dataset.ply;
      if (ply) this.view(Number(ply));
    });
    on('step-back', 'click', () => this.step(-1));
    on('step-forward', 'click', () => this.step(1));
    on('to-end', 'click', () => this.view(Infinity));
    // A touch of the board while it shows an earlier position brings back the game.
    element('board').addEventListener('pointerdown', () => this.viewing !== null && this.view(Infinity), { capture: true });
    document.addEventListener('keydown', (event) => {
      if (event.target.closest('input, textarea, select') || event.altKey || event.ctrlKey || event.metaKey) return;
      const steps = { ArrowLeft: () => this.step(-1), ArrowRight: () => this.step(1),
                      Home: () => this.view(0), End: () => this.view(Infinity) };
      if (!steps[event.key]) return;
      event.preventDefault();
      steps[event.key]();
    });
    addEventListener('hashchange', () => {
      if (!this.openLink()) return;
      this.engine?.newGame(this.game.settings.level);
      this.gameChanged();
    });
    // The clocks as they stand when the page is left: a reload finds them so.
    addEventListener('pagehide', () => this.save());
    document.addEventListener('visibilitychange', () => document.hidden && this.save());
  }
}

document.documentElement.dataset.started = 'yes';
new Page();
// The service worker keeps the site for visits without the network.
if ('serviceWorker' in navigator) {
  navigator.serviceWorker.register('sw.js').catch((error) => console.warn(`No offline copy: ${error.message}`));
}
