#!/usr/bin/env node
// The match runner: plays UCI and xboard engines against each other from
// the project's balanced openings (or Chess960 start positions drawn at
// random), each opening with both colours, on
// clocks of base plus increment, writes every game as PGN, and prints each
// player's score and rating (see README.md beside this file).

import { appendFileSync, writeFileSync } from 'node:fs';
import { hostname } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { parseArgs } from 'node:util';
import { createEngine, parseEngineSpec } from './lib/engine.mjs';
import { playGame } from './lib/game.mjs';
import { readOpenings, lossFor, chess960Fen } from './lib/rules.mjs';
import { formatGame, pgnDate } from './lib/pgn.mjs';
import { fitRatings, formatTable, parseAnchors } from './lib/fit.mjs';

const here = dirname(fileURLToPath(import.meta.url));

const usage = `usage: node match.mjs --engine SPEC --engine SPEC [options]

SPEC is name=NAME,cmd=COMMAND,proto=uci|xboard[,dir=DIR][,protover=1][,option.X=Y...]
Every pair of engines plays --games games; each opening is played twice,
with the colours swapped.

  --games N          games per pair of engines (default 2)
  --tc BASE+INC      seconds per side and increment per move (default 10+0.1)
  --max-moves N      a game still going after N moves is a draw (default 200; 0: none)
  --openings FILE    "name | SAN moves" a line (default openings.txt here)
  --variant V        standard (default) or chess960: start positions drawn
                     from the 960 by --seed, no openings; UCI engines get
                     UCI_Chess960, xboard engines variant fischerandom
  --seed N           shuffles the openings' order (default 1)
  --concurrency N    games at once (default 1)
  --pgn FILE         the games (default match.pgn; appended to)
  --anchor NAME=R    fix NAME's rating at R in the fit (repeatable)
  --json FILE        write the ratings table as JSON
  --log FILE         every line to and from the engines
  --margin MS        time past zero before a flag falls (default 0)
  --event TEXT       the PGN's Event tag
  --strict           exit with status 3 if a game was lost by forfeit`;

function fail(message) {
  console.error(`match.mjs: ${message}`);
  process.exit(2);
}

function parseTc(text) {
  const m = /^(\d+(?:\.\d+)?)(?:\+(\d+(?:\.\d+)?))?$/.exec(text);
  if (!m) throw new Error(`time control "${text}" is not BASE+INC in seconds`);
  return { base: Number(m[1]) * 1000, inc: Number(m[2] ?? 0) * 1000, text };
}

// A small seeded generator, so that --seed gives the same order anywhere.
function mulberry32(seed) {
  let a = seed >>> 0;
  return () => {
    a = (a + 0x6d2b79f5) >>> 0;
    let t = a;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

function parse() {
  let parsed;
  try {
    parsed = parseArgs({
      options: {
        engine: { type: 'string', multiple: true, default: [] },
        games: { type: 'string', default: '2' },
        tc: { type: 'string', default: '10+0.1' },
        'max-moves': { type: 'string', default: '200' },
        openings: { type: 'string', default: join(here, 'openings.txt') },
        variant: { type: 'string', default: 'standard' },
        seed: { type: 'string', default: '1' },
        concurrency: { type: 'string', default: '1' },
        pgn: { type: 'string', default: 'match.pgn' },
        anchor: { type: 'string', multiple: true, default: [] },
        json: { type: 'string' },
        log: { type: 'string' },
        margin: { type: 'string', default: '0' },
        event: { type: 'string', default: 'Quorlix rating match' },
        strict: { type: 'boolean', default: false },
        help: { type: 'boolean', short: 'h', default: false },
      },
    }).values;
  } catch (e) {
    fail(`${e.message}\n${usage}`);
  }
  if (parsed.help) {
    console.log(usage);
    process.exit(0);
  }
  const int = (name, min) => {
    const v = Number(parsed[name]);
    if (!Number.isInteger(v) || v < min) fail(`--${name} must be a whole number of at least ${min}`);
    return v;
  };
  try {
    if (!['standard', 'chess960'].includes(parsed.variant)) throw new Error('--variant must be standard or chess960');
    const chess960 = parsed.variant === 'chess960';
    const engines = parsed.engine.map(parseEngineSpec);
    // The engine's own options come after, so that they may say otherwise.
    if (chess960) {
      for (const e of engines) {
        e.chess960 = true;
        if (e.proto === 'uci') e.options.unshift(['UCI_Chess960', 'true']);
      }
    }
    if (engines.length < 2) throw new Error('at least two --engine are needed');
    const names = engines.map((e) => e.name);
    if (new Set(names).size !== names.length) throw new Error('every engine needs a name of its own');
    return {
      engines,
      games: int('games', 1),
      tc: parseTc(parsed.tc),
      maxMoves: int('max-moves', 0),
      openings: chess960 ? chess960Starts() : readOpenings(parsed.openings),
      chess960,
      seed: int('seed', 0),
      concurrency: int('concurrency', 1),
      pgn: parsed.pgn,
      anchors: parseAnchors(parsed.anchor),
      json: parsed.json,
      log: parsed.log,
      margin: int('margin', 0),
      event: parsed.event,
      strict: parsed.strict,
    };
  } catch (e) {
    fail(e.message);
  }
}

// All 960, in the order of their numbers; the schedule shuffles them.
function chess960Starts() {
  return Array.from({ length: 960 }, (_, n) => ({
    name: `Chess960 #${n}`, sans: [], chess960: true, fen: chess960Fen(n, 'shredder'), pgnFen: chess960Fen(n),
  }));
}

// Every pair plays its games; game 2k and 2k+1 share an opening and swap colours.
function schedule(cfg) {
  const rnd = mulberry32(cfg.seed);
  const order = cfg.openings.map((_, i) => i);
  for (let i = order.length - 1; i > 0; i--) {
    const j = Math.floor(rnd() * (i + 1));
    [order[i], order[j]] = [order[j], order[i]];
  }
  const jobs = [];
  let next = 0;
  cfg.engines.forEach((a, i) => {
    cfg.engines.slice(i + 1).forEach((b) => {
      let opening;
      for (let g = 0; g < cfg.games; g++) {
        if (g % 2 === 0) opening = cfg.openings[order[next++ % order.length]];
        const [white, black] = g % 2 === 0 ? [a, b] : [b, a];
        jobs.push({ white, black, opening, round: `${Math.floor(g / 2) + 1}.${(g % 2) + 1}`, number: jobs.length + 1 });
      }
    });
  });
  return jobs;
}

async function main() {
  const cfg = parse();
  if (cfg.games % 2) console.log('note: an odd number of games leaves the last opening with one colour only');
  const jobs = schedule(cfg);
  const total = jobs.length;
  const started = Date.now();
  const logStart = performance.now();
  const log = cfg.log
    ? (line) => appendFileSync(cfg.log, `${((performance.now() - logStart) / 1000).toFixed(3)} ${line}\n`)
    : null;
  if (cfg.log) writeFileSync(cfg.log, '');
  const results = [];
  const everStarted = new Set();
  let forfeits = 0;
  console.log(`${total} ${cfg.chess960 ? 'Chess960 ' : ''}games at ${cfg.tc.text}, ${cfg.concurrency} at a time, into ${cfg.pgn}`);

  // Each worker keeps its own processes, one per engine, for its games.
  async function worker(_, id) {
    const pool = new Map();
    const workerLog = log && ((line) => log(`[${id + 1}] ${line}`));
    let start = null;
    const ready = async (spec) => {
      let engine = pool.get(spec.name);
      for (let attempt = 0; attempt < 2; attempt++) {
        try {
          if (!engine || !engine.alive) {
            engine = createEngine(spec, workerLog);
            pool.set(spec.name, engine);
            await engine.start();
            everStarted.add(spec.name);
          }
          await engine.newGame(cfg.tc, start);
          return { engine };
        } catch (e) {
          engine?.kill();
          engine = null;
          if (!everStarted.has(spec.name)) throw new Error(`${spec.name} does not start: ${e.message}`);
          if (attempt === 1) return { error: e.message };
        }
      }
    };
    try {
      while (jobs.length) {
        const job = jobs.shift();
        start = job.opening.fen ?? null;
        const w = await ready(job.white);
        const b = await ready(job.black);
        let game;
        if (w.error || b.error) {
          const end = w.error ? lossFor('w', `could not start a game: ${w.error}`, 'abandoned')
            : lossFor('b', `could not start a game: ${b.error}`, 'abandoned');
          game = { ...end, sans: [...job.opening.sans], times: job.opening.sans.map(() => null), openingPlies: job.opening.sans.length };
        } else {
          game = await playGame({ white: w.engine, black: b.engine, opening: job.opening, tc: cfg.tc, maxMoves: cfg.maxMoves, margin: cfg.margin });
          for (const e of [w.engine, b.engine]) e.gameOver(game.result, game.reason);
        }
        record(job, game);
      }
    } finally {
      await Promise.all([...pool.values()].map((e) => e.quit()));
    }
  }

  const points = new Map(cfg.engines.map((e) => [e.name, 0]));
  const played = new Map(cfg.engines.map((e) => [e.name, 0]));
  function record(job, game) {
    const score = game.result === '1-0' ? 1 : game.result === '0-1' ? 0 : 0.5;
    results.push({ white: job.white.name, black: job.black.name, score });
    points.set(job.white.name, points.get(job.white.name) + score);
    points.set(job.black.name, points.get(job.black.name) + 1 - score);
    played.set(job.white.name, played.get(job.white.name) + 1);
    played.set(job.black.name, played.get(job.black.name) + 1);
    const forfeit = ['time forfeit', 'rules infraction', 'abandoned'].includes(game.termination);
    if (forfeit) forfeits += 1;
    const tags = [
      ['Event', cfg.event],
      ['Site', hostname()],
      ['Date', pgnDate()],
      ['Round', job.round],
      ['White', job.white.name],
      ['Black', job.black.name],
      ['Result', game.result],
      ['TimeControl', `${cfg.tc.base / 1000}+${cfg.tc.inc / 1000}`],
      ['Opening', job.opening.name],
      ['Termination', game.termination],
      ['TerminationDetails', game.reason],
      ['PlyCount', game.sans.length],
    ];
    if (job.opening.chess960) tags.splice(7, 0, ['Variant', 'Chess960'], ['SetUp', '1'], ['FEN', job.opening.pgnFen]);
    appendFileSync(cfg.pgn, formatGame({ tags, ...game }));
    const standing = cfg.engines.map((e) => `${e.name} ${points.get(e.name)}/${played.get(e.name)}`).join(', ');
    console.log(
      `[${results.length}/${total}] ${job.white.name} - ${job.black.name} ${game.result} ` +
        `(${game.reason}; ${Math.ceil(game.sans.length / 2)} moves; ${job.opening.name})${forfeit ? ' FORFEIT' : ''}  ${standing}`,
    );
  }

  try {
    await Promise.all(Array.from({ length: Math.min(cfg.concurrency, total) }, worker));
  } catch (e) {
    fail(e.message);
  }
  const minutes = (Date.now() - started) / 60000;
  console.log(`\n${results.length} games in ${minutes.toFixed(1)} minutes; ${forfeits} lost by forfeit\n`);
  try {
    const fit = fitRatings(results, cfg.anchors);
    console.log(formatTable(fit));
    if (cfg.json) writeFileSync(cfg.json, JSON.stringify({ anchors: cfg.anchors, games: results.length, ...fit }, null, 2) + '\n');
  } catch (e) {
    console.log(`no rating: ${e.message}`);
  }
  if (cfg.strict && forfeits > 0) {
    console.error(`match.mjs: ${forfeits} game(s) lost by forfeit (time, illegal move or crash); see ${cfg.pgn}`);
    process.exit(3);
  }
}

main();
