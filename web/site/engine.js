// The engine's client: Quorlix runs in a Web Worker (worker.js) that speaks
// UCI. The page compiles the WebAssembly module once and hands it to each
// worker, so a fresh worker is ready in milliseconds. Each search is a
// request with its own callbacks and its own stop(): the game, the analysis
// and the review each have an Engine of their own and never read each
// other's lines. A running "go" keeps its worker busy, deaf to "stop", so a
// stopped search ends its worker and the next search starts a fresh one.
import { START } from './game.js';

const START_TIMEOUT_MS = 20000;

let compiled = null;

// The engine's module, fetched and compiled on the first call only.
export function engineModule() {
  compiled ??= (async () => {
    const response = await fetch('quorlix.wasm');
    if (!response.ok) throw new Error(`quorlix.wasm: HTTP status ${response.status}`);
    // Streamed compiling takes only application/wasm, and the site must work
    // from any static host.
    return response.headers.get('Content-Type') === 'application/wasm'
      ? WebAssembly.compileStreaming(response)
      : WebAssembly.compile(await response.arrayBuffer());
  })();
  return compiled;
}

// An "info" line with a score, as {depth, multipv, score: {cp} or {mate},
// wdl: [win, draw, loss] or null, pv}; null for any other line.
function readInfo(line) {
  const words = line.split(' ');
  if (words[0] !== 'info' || !words.includes('score')) return null;
  const after = (name) => words[words.indexOf(name) + 1];
  const at = words.indexOf('score');
  const value = Number(words[at + 2]);
  const wdl = words.includes('wdl') ? [1, 2, 3].map((i) => Number(words[words.indexOf('wdl') + i])) : null;
  return {
    depth: Number(after('depth')),
    multipv: words.includes('multipv') ? Number(after('multipv')) : 1,
    score: words[at + 1] === 'mate' ? { mate: value } : { cp: value },
    wdl,
    pv: words.includes('pv') ? words.slice(words.indexOf('pv') + 1) : [],
  };
}

// One search: what it asks and where its lines go. Made by Engine.search.
class Search {
  constructor(engine, { onInfo = () => {}, onDone = () => {}, onFailure = () => {}, patience = null }) {
    Object.assign(this, { engine, onInfo, onDone, onFailure, patience });
    this.lines = [];     // every info line with a score, as readInfo gives it
    this.running = true;
  }

  // Ends the search at once; none of its callbacks is called after this.
  stop() {
    if (!this.running) return;
    this.running = false;
    this.engine.abandon(this);
  }
}

export class Engine {
  // onFailure(why): the worker failed with no search to tell.
  constructor({ onFailure = () => {} } = {}) {
    this.onFailure = onFailure;
    this.current = null;
    this.start();
  }

  start() {
    const worker = new Worker('worker.js', { type: 'module' });
    this.worker = worker;
    this.options = {};  // what this worker was told
    this.ready = false;
    engineModule().then((module) => worker.postMessage(module), (error) => {
      compiled = null;  // fetched again by the next worker
      if (worker === this.worker) this.fail(`the engine could not be loaded (${error.message})`);
    });
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
    // The worker keeps these until the module has come.
    this.send('isready');
    this.expectLine(START_TIMEOUT_MS, 'the engine did not start within 20 seconds');
  }

  send(line) {
    this.worker.postMessage(line);
  }

  // A new worker, after a search that is no longer wanted.
  restart() {
    this.end();
    this.start();
  }

  end() {
    clearTimeout(this.timer);
    this.worker?.terminate();
    this.worker = null;
    this.current = null;
  }

  abandon(search) {
    if (search === this.current) this.restart();
  }

  newGame() {
    this.current?.stop();
    if (this.worker) this.send('ucinewgame');
  }

  // Searches the position after `moves` (UCI) from `start` (a FEN) with
  // `go` (the whole UCI line), having set `options` ({name: value}) when
  // they differ from what this worker was told. `patience`: the milliseconds
  // to wait for a line before failing, or null to wait for ever. The search
  // in progress, if any, is stopped first.
  search({ start = START, moves = [], options = {}, go, ...callbacks }) {
    this.current?.stop();
    if (!this.worker) this.start();  // after a failure
    const search = new Search(this, callbacks);
    // The options go together (a level is UCI_LimitStrength and UCI_Elo).
    const entries = Object.entries(options);
    if (entries.some(([name, value]) => this.options[name] !== String(value))) {
      for (const [name, value] of entries) {
        this.options[name] = String(value);
        this.send(`setoption name ${name} value ${value}`);
      }
    }
    const position = start === START ? 'startpos' : `fen ${start}`;
    this.send(`position ${position}${moves.length ? ` moves ${moves.join(' ')}` : ''}`);
    this.send(go);
    this.current = search;
    if (this.ready) this.expectSearchLine();
    return search;
  }

  expectSearchLine() {
    const { patience } = this.current;
    if (patience === null) this.quiet();
    else this.expectLine(patience, 'the engine has not answered in time');
  }

  read(line) {
    const search = this.current;
    if (line === 'readyok') {
      this.ready = true;
      if (search) this.expectSearchLine();
      else this.quiet();
      return;
    }
    if (!search) return;
    this.expectSearchLine();
    const info = readInfo(line);
    if (info) {
      search.lines.push(info);
      search.onInfo(info);
    } else if (line.startsWith('bestmove')) {
      const [, move, , ponder] = line.split(' ');
      this.current = null;
      this.quiet();
      search.running = false;
      search.onDone({ move, ponder, lines: search.lines });
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

  // The worker is of no more use: the search that was running hears why,
  // or else the owner; the next search starts a new worker.
  fail(why) {
    const search = this.current;
    this.end();
    if (search?.running) {
      search.running = false;
      search.onFailure(why);
    } else {
      this.onFailure(why);
    }
  }
}
