#!/usr/bin/env node
// Fits the chance of a win, a draw and a loss from a player's own scores
// (the runner's PGN comments) and the results of its games, holds some
// games out to judge the fit, and prints the constants as C++ (the model
// is in lib/wdl.mjs, the command's use in README.md beside this file).

import { readFileSync } from 'node:fs';
import { parseArgs } from 'node:util';
import {
  kinds, fitKind, logLikelihood, baseline, baselineLogLikelihood, wdl, readSamples, cppSnippet, evenOffset, ratingGap,
} from './lib/wdl.mjs';

const usage = `usage: node wdl_fit.mjs GAMES.pgn... [--player NAME] [--hold-out K]

Takes every move of NAME (default Quorlix) that has a score (mates left
out) and its game's result. Each opponent gets an offset of its own in the
fit; the engine's shift is the offset of an even opponent, from the
offsets against the rating gaps that the games' scores give. The games of each file are taken in pairs, an
opening with both colours; every Kth pair (default 4) is held out of the
fit and judged with it.`;

const bands = [-Infinity, -300, -150, -50, 50, 150, 300, Infinity];
const pct = (x) => `${(100 * x).toFixed(1)}`.padStart(5);

function main() {
  let args;
  try {
    args = parseArgs({
      allowPositionals: true,
      options: {
        player: { type: 'string', default: 'Quorlix' },
        'hold-out': { type: 'string', default: '4' },
        help: { type: 'boolean', short: 'h', default: false },
      },
    });
  } catch (e) {
    console.error(`wdl_fit.mjs: ${e.message}\n${usage}`);
    process.exit(2);
  }
  const { player } = args.values;
  const k = Number(args.values['hold-out']);
  if (args.values.help || args.positionals.length === 0 || !Number.isInteger(k) || k < 2) {
    console.log(usage);
    process.exit(args.values.help ? 0 : 2);
  }

  const fit = [];
  const held = [];
  const results = { fit: [0, 0, 0], held: [0, 0, 0] };
  let games = 0;
  const played = [];
  let mates = 0;
  let skipped = 0;
  for (const file of args.positionals) {
    const read = readSamples(readFileSync(file, 'utf8'), player);
    skipped += read.skipped;
    read.games.forEach((g, i) => {
      const out = Math.floor(i / 2) % k === k - 1;
      (out ? held : fit).push(...g.samples);
      played.push({ group: g.tags.White === player ? g.tags.Black : g.tags.White, outcome: g.outcome });
      results[out ? 'held' : 'fit'][[1, 0.5, 0].indexOf(g.outcome)] += 1;
      games += 1;
      mates += g.mates;
    });
  }
  if (fit.length === 0 || held.length === 0) {
    console.error(`wdl_fit.mjs: too few scored moves of ${player} (${fit.length} to fit, ${held.length} held out)`);
    process.exit(1);
  }
  const wdlText = (r) => `${r[0]} won, ${r[1]} drawn, ${r[2]} lost`;
  console.log(`${player}: ${games} games${skipped ? ` (${skipped} lost by forfeit left out)` : ''}; ${mates} mate scores left out`);
  console.log(`fit:      ${fit.length} moves of ${results.fit.reduce((a, b) => a + b)} games (${wdlText(results.fit)})`);
  console.log(`held out: ${held.length} moves of ${results.held.reduce((a, b) => a + b)} games (${wdlText(results.held)})\n`);

  const groups = [...new Set(fit.map((x) => x.group))].sort();
  const base = baseline(fit);
  const baseHeld = baselineLogLikelihood(base, held);
  console.log('model                     a0      a1      b0      b1       c   log-lik. fit  held out');
  console.log(`no score (shares)     ${' '.repeat(40)}   ${baselineLogLikelihood(base, fit).toFixed(4)}   ${baseHeld.toFixed(4)}`);
  let best = null;
  for (const kind of kinds) {
    const p = fitKind(kind, fit, groups);
    const ll = { fit: logLikelihood(p, fit), held: logLikelihood(p, held) };
    const cols = ['a0', 'a1', 'b0', 'b1', 'c'].map((n) => (kind.free.includes(n) ? p[n].toFixed(1) : '-').padStart(8)).join('');
    console.log(`${kind.name.padEnd(22)}${cols}   ${ll.fit.toFixed(4)}   ${ll.held.toFixed(4)}`);
    if (!best || ll.held > best.ll.held) best = { kind, p, ll };
  }
  console.log(`\nbest on the held-out games: ${best.kind.name} (mean log-likelihood a move ` +
    `${best.ll.held.toFixed(4)} against ${baseHeld.toFixed(4)} without the score)`);
  // The player's score against each opponent, over all the games read.
  const points = groups.map((g) => {
    const games = played.filter((x) => x.group === g);
    const score = games.reduce((t, x) => t + x.outcome, 0) / games.length;
    return { g, d: best.p.d[g], score, gap: ratingGap(Math.min(0.99, Math.max(0.01, score))) };
  });
  const shift = evenOffset(points);
  console.log('offsets (cp added to the score in the fit) and the rating gaps of the games:');
  for (const q of points) console.log(`  ${q.g.padEnd(20)} ${q.d.toFixed(1).padStart(7)}   score ${(100 * q.score).toFixed(1)}%, gap ${q.gap.toFixed(0)}`);
  console.log(`  an even opponent (no gap): ${shift.toFixed(1)}, the engine's shift\n`);

  console.log('held-out moves by score band (cp, the mover\'s view): predicted against observed, %');
  console.log('band            moves   pred. W     D     L    obs. W     D     L');
  for (let i = 0; i + 1 < bands.length; i++) {
    const lo = bands[i];
    const hi = bands[i + 1];
    const inBand = held.filter((x) => x.s >= lo && x.s < hi);
    const name = lo === -Infinity ? `< ${hi}` : hi === Infinity ? `>= ${lo}` : `${lo} .. ${hi}`;
    if (inBand.length === 0) {
      console.log(`${name.padEnd(14)}${'0'.padStart(7)}`);
      continue;
    }
    const pred = { win: 0, draw: 0, loss: 0 };
    for (const x of inBand) {
      const q = wdl(best.p, x);
      for (const key of Object.keys(pred)) pred[key] += q[key] / inBand.length;
    }
    const obs = (o) => inBand.filter((x) => x.outcome === o).length / inBand.length;
    console.log(`${name.padEnd(14)}${String(inBand.length).padStart(7)}    ${pct(pred.win)} ${pct(pred.draw)} ${pct(pred.loss)}     ${pct(obs(1))} ${pct(obs(0.5))} ${pct(obs(0))}`);
  }
  const command = ['node tools/rating/wdl_fit.mjs', ...process.argv.slice(2).map((w) => (/\s/.test(w) ? `"${w}"` : w))].join(' ');
  console.log(`\n${cppSnippet({ ...best.p, shift }, command, `${player}'s ${games} games, ${fit.length} moves`)}`);
}

main();
