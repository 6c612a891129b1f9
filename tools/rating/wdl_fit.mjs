#!/usr/bin/env node
// Fits the chance of a win, a draw and a loss from a player's own scores
// (the runner's PGN comments) and the results of its games, holds some
// games out to judge the fit, and prints the constants as C++ (the model
// is in lib/wdl.mjs, the command's use in README.md beside this file).

import { readFileSync } from 'node:fs';
import { parseArgs } from 'node:util';
import {
  kinds, fitKind, logLikelihood, baseline, baselineLogLikelihood, wdl, readSamples, cppSnippet, evenOffset, ratingGap,
  itself,
} from './lib/wdl.mjs';

const usage = `usage: node wdl_fit.mjs GAMES.pgn... [--self-play GAMES.pgn]... [--player NAME] [--hold-out K]

Takes every move of NAME (default Quorlix) that has a score (mates left
out) and its game's result; in the --self-play files, games of two
players whose names begin with NAME, both sides' moves. Each opponent gets
an offset of its own in the fit; the engine's shift is the offset of an
even opponent: its own, in games against itself, or else the line of the
offsets against the rating gaps that the games' scores give, at no gap.
The games of each file are taken in pairs, an opening with both colours;
every Kth pair (default 4) is held out of the fit and judged with it, and
the held-out table is of the model the engine gets, on the games against
itself where there are some.`;

const bands = [-Infinity, -300, -150, -50, 50, 150, 300, Infinity];
const pct = (x) => `${(100 * x).toFixed(1)}`.padStart(5);

function main() {
  let args;
  try {
    args = parseArgs({
      allowPositionals: true,
      options: {
        player: { type: 'string', default: 'Quorlix' },
        'self-play': { type: 'string', multiple: true, default: [] },
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
  if (args.values.help || args.positionals.length + args.values['self-play'].length === 0 || !Number.isInteger(k) || k < 2) {
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
  const reads = [
    ...args.positionals.map((file) => readSamples(readFileSync(file, 'utf8'), player)),
    ...args.values['self-play'].flatMap((file) =>
      ['w', 'b'].map((side) => ({ ...readSamples(readFileSync(file, 'utf8'), player, { side }), side }))),
  ];
  for (const read of reads) {
    skipped += read.skipped;
    read.games.forEach((g, i) => {
      // A game against itself is read once for each side: its moves twice, the game once.
      const counted = read.side !== 'b';
      const out = Math.floor(i / 2) % k === k - 1;
      (out ? held : fit).push(...g.samples);
      const group = g.samples[0]?.group ?? (g.tags.White === player ? g.tags.Black : g.tags.White);
      played.push({ group, outcome: g.outcome });
      mates += g.mates;
      if (!counted) return;
      results[out ? 'held' : 'fit'][[1, 0.5, 0].indexOf(g.outcome)] += 1;
      games += 1;
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
  const against = points.filter((q) => q.g !== itself);
  const shift = groups.includes(itself) ? best.p.d[itself] : evenOffset(against);
  console.log('offsets (cp added to the score in the fit) and the rating gaps of the games:');
  for (const q of against) console.log(`  ${q.g.padEnd(20)} ${q.d.toFixed(1).padStart(7)}   score ${(100 * q.score).toFixed(1)}%, gap ${q.gap.toFixed(0)}`);
  if (against.length) console.log(`  the line through them at no gap: ${evenOffset(against).toFixed(1)}`);
  if (groups.includes(itself)) console.log(`  against itself: ${shift.toFixed(1)}`);
  console.log(`  the engine's shift: ${shift.toFixed(1)}\n`);
  // The model the engine gets, judged on the games of an even opponent when
  // there are some: the shift in place of each opponent's offset.
  const shipped = { ...best.p, d: {} };
  for (const g of groups) shipped.d[g] = shift;
  const even = (x) => !groups.includes(itself) || x.group === itself;
  const judged = held.filter(even);
  console.log(`the engine's model on the held-out moves${groups.includes(itself) ? ' of its games against itself' : ''}: ` +
    `log-likelihood ${logLikelihood(shipped, judged).toFixed(4)} a move, ` +
    `${baselineLogLikelihood(baseline(fit.filter(even)), judged).toFixed(4)} without the score\n`);

  console.log('those moves by score band (cp, the mover\'s view): predicted against observed, %');
  console.log('band            moves   pred. W     D     L    obs. W     D     L');
  for (let i = 0; i + 1 < bands.length; i++) {
    const lo = bands[i];
    const hi = bands[i + 1];
    const inBand = judged.filter((x) => x.s >= lo && x.s < hi);
    const name = lo === -Infinity ? `< ${hi}` : hi === Infinity ? `>= ${lo}` : `${lo} .. ${hi}`;
    if (inBand.length === 0) {
      console.log(`${name.padEnd(14)}${'0'.padStart(7)}`);
      continue;
    }
    const pred = { win: 0, draw: 0, loss: 0 };
    for (const x of inBand) {
      const q = wdl(shipped, x);
      for (const key of Object.keys(pred)) pred[key] += q[key] / inBand.length;
    }
    const obs = (o) => inBand.filter((x) => x.outcome === o).length / inBand.length;
    console.log(`${name.padEnd(14)}${String(inBand.length).padStart(7)}    ${pct(pred.win)} ${pct(pred.draw)} ${pct(pred.loss)}     ${pct(obs(1))} ${pct(obs(0.5))} ${pct(obs(0))}`);
  }
  const command = ['node tools/rating/wdl_fit.mjs', ...process.argv.slice(2).map((w) => (/\s/.test(w) ? `"${w}"` : w))].join(' ');
  console.log(`\n${cppSnippet({ ...best.p, shift }, command, `${player}'s ${games} games, ${fit.length} moves`)}`);
}

main();
