// The engine's client: Quorlix runs in a Web Worker (worker.js) that speaks
// UCI. Before each of its moves it gets its level as UCI_LimitStrength and
// UCI_Elo (when they changed), the whole game as "position ... moves ...",
// and "go" with the clocks when the game is timed; it answers with "info"
// lines and "bestmove". A search cannot be interrupted from outside (the
// worker is busy in it), so abandoning one means starting a new worker.

import { START } from './game.js';

const START_TIMEOUT_MS = 20000;
const SILENCE_TIMEOUT_MS = 60000;  // an untimed search prints a line well within this
const GRACE_MS = 30000;            // beyond the engine's own clock, in a timed game

export class Engine {
  // onInfo({depth, score: {cp} or {mate}, pv}) for each iteration of the
  // search, onMove(uci) for its move, onFailure(why) when it fails.
  constructor({ onInfo, onMove, onFailure }) {
    Object.assign(this, { onInfo, onMove, onFailure });
    this.start();
  }

  start() {
    const worker = new Worker('worker.js', { type: 'module' });
    this.worker = worker;
    this.thinking = false;
    this.level = undefined;  // what the engine was told: none yet
    worker.onmessage = ({ data }) => {
      if (worker !== this.worker) return;
      if (data.error) this.fail(data.error);
      else if (data.line !== undefined) this.read(data.line);
    };
    worker.onerror = (event) => {
      event.preventDefault();
      if (worker === this.worker) {
        this.fail(`the engine's worker (worker.js) could not be loaded or run${event.message ? ` (${event.message})` : ''}`);
      }
    };
    // The worker keeps these until the module has loaded.
    this.send('uci');
    this.send('isready');
    this.expectLine(START_TIMEOUT_MS, 'the engine did not start within 20 seconds');
  }

  send(line) {
    this.worker.postMessage(line);
  }

  // A new worker, for a search that is no longer wanted or after a failure.
  restart() {
    clearTimeout(this.timer);
    this.worker.terminate();
    this.start();
  }

  newGame(level) {
    this.send('ucinewgame');
    this.setLevel(level);
  }

  // An Elo rating, or null for full strength; sent only when it changes.
  setLevel(level) {
    if (level === this.level) return;
    this.level = level;
    this.send(`setoption name UCI_LimitStrength value ${level ? 'true' : 'false'}`);
    if (level) this.send(`setoption name UCI_Elo value ${level}`);
  }

  // Asks `color` for a move in the game from `start` (a FEN) through `moves`
  // (UCI). clocks: {w, b} in milliseconds, or null when untimed.
  think({ start, moves, level, clocks, increment, color }) {
    this.setLevel(level);
    const position = start === START ? 'startpos' : `fen ${start}`;
    this.send(`position ${position}${moves.length ? ` moves ${moves.join(' ')}` : ''}`);
    const ms = (t) => Math.max(0, Math.round(t));
    this.send(clocks
      ? `go wtime ${ms(clocks.w)} btime ${ms(clocks.b)} winc ${increment} binc ${increment}`
      : 'go');
    this.thinking = true;
    this.patience = clocks ? Math.max(SILENCE_TIMEOUT_MS, clocks[color] + increment + GRACE_MS) : SILENCE_TIMEOUT_MS;
    this.expectLine(this.patience, 'the engine has not answered in time');
  }

  read(line) {
    const words = line.split(' ');
    if (this.thinking) this.expectLine(this.patience, 'the engine has not answered in time');
    if (words[0] === 'readyok') {
      if (!this.thinking) this.quiet();
    } else if (words[0] === 'info' && this.thinking && words.includes('pv')) {
      const field = (name) => words[words.indexOf(name) + 1];
      this.onInfo({
        depth: Number(field('depth')),
        score: words.includes('mate') ? { mate: Number(field('mate')) } : { cp: Number(field('cp')) },
        pv: words.slice(words.indexOf('pv') + 1),
      });
    } else if (words[0] === 'bestmove' && this.thinking) {
      this.quiet();
      this.thinking = false;
      this.onMove(words[1]);
    }
  }

  // Reports a failure unless a line comes within `ms`.
  expectLine(ms, why) {
    clearTimeout(this.timer);
    this.timer = setTimeout(() => this.fail(why), ms);
  }

  quiet() {
    clearTimeout(this.timer);
  }

  fail(why) {
    clearTimeout(this.timer);
    this.thinking = false;
    this.onFailure(why);
  }
}
