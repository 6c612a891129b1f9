// Engine processes for the match runner: one class for each protocol, UCI
// and xboard (version 2 where the engine offers it, version 1 otherwise),
// behind the same four calls: start, newGame, requestMove, quit. A move
// request answers with what happened (a move and the time it took, a
// resignation, a rejected move, silence past the clock, or an exit); the
// game decides what that means.

import { spawn } from 'node:child_process';
import { createInterface } from 'node:readline';
import { performance } from 'node:perf_hooks';

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

class Timeout extends Error {}
class Exited extends Error {}

// `name=...,cmd=...,proto=uci|xboard,dir=...,protover=1,option.X=Y`
export function parseEngineSpec(text) {
  const spec = { options: [] };
  // A comma starts a new key only before a key, so commands and values may hold commas.
  for (const part of text.split(/,(?=\s*(?:name|cmd|proto|dir|protover|option\.[^=,]+)=)/)) {
    const eq = part.indexOf('=');
    if (eq < 0) throw new Error(`engine "${text}": "${part}" is not key=value`);
    const key = part.slice(0, eq).trim();
    const value = part.slice(eq + 1);
    if (key.startsWith('option.')) spec.options.push([key.slice(7), value]);
    else if (['name', 'cmd', 'proto', 'dir', 'protover'].includes(key)) spec[key] = value;
    else throw new Error(`engine "${text}": unknown key "${key}"`);
  }
  if (!spec.cmd) throw new Error(`engine "${text}": no cmd=`);
  spec.proto ??= 'uci';
  if (!['uci', 'xboard'].includes(spec.proto)) throw new Error(`engine "${text}": proto must be uci or xboard`);
  spec.name ??= spec.cmd.split(/\s+/)[0].split('/').pop();
  return spec;
}

// Splits a command line at blanks; quotes keep blanks in an argument.
function argv(cmd) {
  const out = [];
  for (const m of cmd.matchAll(/"([^"]*)"|'([^']*)'|(\S+)/g)) out.push(m[1] ?? m[2] ?? m[3]);
  return out;
}

export function createEngine(spec, log) {
  return spec.proto === 'uci' ? new UciEngine(spec, log) : new XboardEngine(spec, log);
}

class EngineProcess {
  constructor(spec, log) {
    this.spec = spec;
    this.name = spec.name;
    this.log = log ?? (() => {});
    this.child = null;
    this.alive = false;
    this.exitDetail = '';
    this.waiters = new Set();
    this.listeners = new Set();
    this.stderrTail = [];
  }

  spawnProcess() {
    const [file, ...args] = argv(this.spec.cmd);
    this.alive = true;
    this.exitDetail = '';
    const child = spawn(file, args, { cwd: this.spec.dir || undefined, stdio: ['pipe', 'pipe', 'pipe'] });
    this.child = child;
    // A write to a process that has gone is reported by its exit instead.
    child.stdin.on('error', () => {});
    child.on('error', (e) => this.onExit(child, `could not run: ${e.message}`));
    child.on('exit', (code, signal) => this.onExit(child, signal ? `killed by ${signal}` : `exited with status ${code}`));
    createInterface({ input: child.stdout, crlfDelay: Infinity }).on('line', (line) => this.onLine(child, line));
    createInterface({ input: child.stderr, crlfDelay: Infinity }).on('line', (line) => {
      this.log(`${this.name} 2> ${line}`);
      this.stderrTail = [...this.stderrTail.slice(-4), line];
    });
  }

  onExit(child, detail) {
    if (child !== this.child || !this.alive) return;
    this.alive = false;
    this.exitDetail = detail + (this.stderrTail.length ? ` (${this.stderrTail.join(' / ')})` : '');
    this.log(`${this.name} ${this.exitDetail}`);
    for (const w of [...this.waiters]) w.fail(new Exited(this.exitDetail));
  }

  onLine(child, line) {
    if (child !== this.child) return;
    const at = performance.now();
    line = line.trim();
    this.log(`${this.name} > ${line}`);
    for (const f of [...this.listeners]) f(line);
    for (const w of [...this.waiters]) {
      const value = w.test(line);
      if (value !== undefined && value !== null) w.done(value, at);
    }
  }

  send(line) {
    this.log(`${this.name} < ${line}`);
    if (this.alive) this.child.stdin.write(line + '\n');
  }

  // Calls f with every line until the returned function is called.
  listen(f) {
    this.listeners.add(f);
    return () => this.listeners.delete(f);
  }

  // The first value `test` gives for a line, and when that line came.
  waitFor(test, ms) {
    return new Promise((resolve, reject) => {
      if (!this.alive) return reject(new Exited(this.exitDetail));
      const w = {
        test,
        done: (value, at) => { finish(); resolve({ value, at }); },
        fail: (e) => { finish(); reject(e); },
      };
      const timer = setTimeout(() => w.fail(new Timeout(`no answer in ${(ms / 1000).toFixed(1)} s`)), ms);
      const finish = () => { clearTimeout(timer); this.waiters.delete(w); };
      this.waiters.add(w);
    });
  }

  // The process counts as gone at once, so that nothing more is sent to it.
  kill() {
    if (!this.alive) return;
    this.child.kill('SIGKILL');
    this.onExit(this.child, 'stopped by the runner');
  }

  async quit() {
    if (!this.alive) return;
    this.send('quit');
    const gone = new Promise((r) => this.child.once('exit', r));
    if ((await Promise.race([gone, sleep(1000).then(() => 'late')])) === 'late') this.kill();
  }

  // A request for a move: `send` writes the commands, the last of which
  // starts the clock; `parse` turns a line into an answer or nothing, and
  // `scoreOf` a line into a score, the last of which comes with the move.
  async timedAnswer(send, parse, limitMs, scoreOf) {
    let score = null;
    const unlisten = this.listen((line) => {
      score = scoreOf(line) ?? score;
    });
    const waiting = this.waitFor(parse, Math.max(0, limitMs));
    send();
    const start = performance.now();
    try {
      const { value, at } = await waiting;
      return { ...value, ms: at - start, score };
    } catch (e) {
      if (e instanceof Timeout) return { kind: 'timeout', ms: performance.now() - start };
      if (e instanceof Exited) return { kind: 'exit', detail: e.message, ms: performance.now() - start };
      throw e;
    } finally {
      unlisten();
    }
  }
}

// The score of a UCI info line, from the mover's view: { cp } or { mate }
// (moves, negative when mated), with the depth where given. Only the first
// line of a MultiPV search counts: it is the one that goes with bestmove.
export function uciScore(line) {
  let w = line.split(/\s+/);
  if (w[0] !== 'info') return null;
  // The rest of a line after `string` is free text.
  if (w.includes('string')) w = w.slice(0, w.indexOf('string'));
  const at = w.indexOf('score');
  if (at < 0 || !/^-?\d+$/.test(w[at + 2] ?? '')) return null;
  const pv = w.indexOf('multipv');
  if (pv >= 0 && w[pv + 1] !== '1') return null;
  const d = w.indexOf('depth');
  const depth = d >= 0 && /^\d+$/.test(w[d + 1] ?? '') ? Number(w[d + 1]) : null;
  if (w[at + 1] === 'cp') return { cp: Number(w[at + 2]), depth };
  if (w[at + 1] === 'mate') return { mate: Number(w[at + 2]), depth };
  return null;
}

// xboard's thinking output, "ply score time nodes pv", centipawns; mates
// as protocol 2 has them, 100000 + N for mate in N moves.
export function xboardScore(line) {
  const m = /^(\d+)[.&]?\s+(-?\d+)\s+\d+\s+\d+(?:\s|$)/.exec(line);
  if (!m) return null;
  const s = Number(m[2]);
  const depth = Number(m[1]);
  if (Math.abs(s) > 100000 && Math.abs(s) < 101000) return { mate: Math.sign(s) * (Math.abs(s) - 100000), depth };
  return { cp: s, depth };
}

class UciEngine extends EngineProcess {
  async start() {
    this.spawnProcess();
    this.send('uci');
    await this.waitFor((l) => (l === 'uciok' ? true : null), 10000);
    for (const [name, value] of this.spec.options) this.send(`setoption name ${name} value ${value}`);
    await this.ready();
  }

  async ready() {
    this.send('isready');
    await this.waitFor((l) => (l === 'readyok' ? true : null), 10000);
  }

  async newGame() {
    this.send('ucinewgame');
    await this.ready();
  }

  // `game`: the start (a FEN, or null for the standard one), the moves so
  // far (coordinates), both clocks and the increment in ms.
  requestMove(game, limitMs) {
    const moves = game.moves.length ? ` moves ${game.moves.join(' ')}` : '';
    const ms = (t) => Math.max(0, Math.floor(t));
    return this.timedAnswer(
      () => {
        this.send(`position ${game.fen ? `fen ${game.fen}` : 'startpos'}${moves}`);
        this.send(`go wtime ${ms(game.wtime)} btime ${ms(game.btime)} winc ${ms(game.inc)} binc ${ms(game.inc)}`);
      },
      (line) => {
        const m = /^bestmove\s+(\S+)/.exec(line);
        return m ? { kind: 'move', text: m[1] } : null;
      },
      limitMs,
      uciScore,
    );
  }

  moveAccepted() {}

  gameOver() {}
}

// Lines that announce an xboard engine's move: "move X" as protocol 2 has
// it, and the older forms "N. ... X" and "My move is : X". Some engines
// print two of them for one move, so an engine is held to the first form
// it uses.
const moveForms = [
  ['move', /^move\s+(\S+)/],
  ['numbered', /^\d+\s*\.\s*\.\.\.\s*(\S+)/],
  ['mymove', /^My move is\s*:\s*(\S+)/],
];

function parseFeatures(line) {
  const out = [];
  for (const m of line.slice(8).matchAll(/(\w+)=(?:"([^"]*)"|(\S+))/g)) out.push([m[1], m[2] ?? m[3]]);
  return out;
}

class XboardEngine extends EngineProcess {
  constructor(spec, log) {
    super(spec, log);
    this.features = {};
    this.protover = 1;
    this.pingN = 0;
    this.moveForm = null;
  }

  // Some engines lose lines that come while they are starting, so a
  // `protover 2` without an answer is sent again; an engine that calls it
  // an error, or never answers, speaks version 1 and announces nothing.
  async start() {
    this.features = {};
    this.protover = 1;
    this.spawnProcess();
    this.send('xboard');
    if (this.spec.protover === '1') return;
    const seen = { features: false, waitForDone: false, done: false, refused: false, lastAt: 0 };
    const unlisten = this.listen((line) => {
      if (line.startsWith('feature ')) {
        seen.features = true;
        seen.lastAt = performance.now();
        for (const [k, v] of parseFeatures(line)) {
          this.features[k] = v;
          if (k === 'done') (v === '1' ? (seen.done = true) : (seen.waitForDone = true));
          // Coordinates both ways keep one move syntax for every engine.
          this.send(`${k === 'san' && v === '1' ? 'rejected' : 'accepted'} ${k}`);
        }
      } else if (/^(Error|Illegal move).*protover/i.test(line)) {
        seen.refused = true;
      }
    });
    const begun = performance.now();
    this.send('protover 2');
    let sent = 1;
    let lastSent = begun;
    try {
      for (;;) {
        const now = performance.now();
        if (!this.alive) throw new Error(`${this.name} ${this.exitDetail}`);
        if (seen.done || seen.refused) break;
        if (seen.features) {
          // done=0 asks for patience; otherwise two seconds after the last feature.
          if (now - (seen.waitForDone ? begun : seen.lastAt) > (seen.waitForDone ? 60000 : 2000)) break;
        } else if (now - lastSent > 1000) {
          if (sent === 3) break;
          this.send('protover 2');
          sent += 1;
          lastSent = now;
        }
        await sleep(10);
      }
    } finally {
      unlisten();
    }
    this.protover = seen.features ? 2 : 1;
    if (this.spec.chess960 && !(this.features.variants ?? '').split(',').includes('fischerandom')) {
      throw new Error(`${this.name} does not play Chess960: no fischerandom among its variants (${this.features.variants ?? 'none'})`);
    }
    if (this.spec.chess960 && this.features.setboard !== '1') {
      throw new Error(`${this.name} does not play Chess960: it takes no setboard`);
    }
    for (const [name, value] of this.spec.options) this.send(`option ${name}=${value}`);
    await this.sync();
  }

  // Waits until the engine has read everything sent, where it answers ping.
  async sync() {
    if (this.features.ping !== '1') return;
    for (let tries = 0; tries < 10; tries++) {
      const n = ++this.pingN;
      const waiting = this.waitFor((l) => {
        const m = /^pong\s+(\d+)/.exec(l);
        return m && Number(m[1]) >= n ? true : null;
      }, 1000);
      this.send(`ping ${n}`);
      try {
        await waiting;
        return;
      } catch (e) {
        if (!(e instanceof Timeout)) throw e;
      }
    }
    throw new Error(`${this.name} does not answer ping`);
  }

  // start: the FEN of a Chess960 start position, or nothing.
  async newGame(tc, start) {
    this.send('new');
    if (this.spec.chess960) this.send('variant fischerandom');
    if (this.protover === 2) {
      this.send('easy');
      const base = Math.max(1, Math.round(tc.base / 1000));
      const minutes = Math.floor(base / 60);
      const seconds = base % 60;
      this.send(`level 0 ${seconds ? `${minutes}:${String(seconds).padStart(2, '0')}` : minutes} ${tc.inc / 1000}`);
    }
    this.send('force');
    if (start) this.send(`setboard ${start}`);
    // Thinking output, for the score that goes into the PGN.
    this.send('post');
    this.known = 0;
    this.playing = false;
    await this.sync();
  }

  // Castling in Chess960 goes as O-O and O-O-O, as xboard sends it there.
  moveText(lan, san) {
    const move = this.spec.chess960 && san.startsWith('O-O') ? san.replace(/[+#]$/, '') : lan;
    return this.features.usermove === '1' ? `usermove ${move}` : move;
  }

  requestMove(game, limitMs) {
    const own = game.side === 'w' ? game.wtime : game.btime;
    const opp = game.side === 'w' ? game.btime : game.wtime;
    const cs = (t) => Math.max(0, Math.floor(t / 10));
    const unknown = game.moves.slice(this.known);
    const sans = game.sans.slice(this.known);
    return this.timedAnswer(
      () => {
        if (this.playing && unknown.length === 1) {
          this.send(`time ${cs(own)}`);
          this.send(`otim ${cs(opp)}`);
          this.send(this.moveText(unknown[0], sans[0]));
        } else {
          if (this.playing) this.send('force');
          unknown.forEach((m, i) => this.send(this.moveText(m, sans[i])));
          this.send(`time ${cs(own)}`);
          this.send(`otim ${cs(opp)}`);
          this.send('go');
          this.playing = true;
        }
        this.known = game.moves.length;
      },
      (line) => {
        if (/^resign\b/i.test(line)) return { kind: 'resign' };
        if (/^Illegal move/i.test(line)) return { kind: 'rejected', text: line };
        for (const [form, re] of moveForms) {
          const m = re.exec(line);
          if (m && (this.moveForm ?? form) === form) {
            this.moveForm = form;
            return { kind: 'move', text: m[1] };
          }
        }
        return null;
      },
      limitMs,
      xboardScore,
    );
  }

  // The engine's own move is now part of the game it knows.
  moveAccepted() {
    this.known += 1;
  }

  gameOver(result, reason) {
    if (this.protover === 2 && this.alive) this.send(`result ${result} {${reason}}`);
  }
}
