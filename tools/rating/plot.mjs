#!/usr/bin/env node
// Draws the ratings that rate.mjs or match.mjs wrote as JSON: one row per
// player, the estimate as a point with its 95% interval as a bar, anchors
// as squares, and a perfect score's bound as an arrow pointing the open
// way. gnuplot (Debian's gnuplot-nox) makes the PNG.

import { readFileSync } from 'node:fs';
import { spawnSync } from 'node:child_process';
import { parseArgs } from 'node:util';

const usage = 'usage: node plot.mjs RATINGS.json OUT.png [--title TEXT]';

const q = (s) => `'${String(s).replace(/'/g, "''")}'`;

function gnuplotScript(ratings, out, title) {
  const rows = ratings.players
    .filter((p) => p.rating !== null || p.bound)
    .map((p) => ({ ...p, at: p.rating ?? (p.bound === 'lower' ? p.low : p.high) }))
    .sort((a, b) => a.at - b.at);
  if (rows.length === 0) throw new Error('no player has a rating to draw');
  const r = Math.round;
  const est = rows.map((p, i) => (p.rating !== null && !p.anchor ? `${p.rating} ${i} ${p.low} ${p.high}` : null));
  const anchors = rows.map((p, i) => (p.anchor ? `${p.rating} ${i}` : null));
  const arrow = 150;
  const bounds = rows.map((p, i) => (p.bound ? `${p.at} ${i} ${p.bound === 'lower' ? arrow : -arrow}` : null));
  const labels = rows.map((p, i) => {
    const text = p.anchor ? `${r(p.rating)} (anchor)`
      : p.bound ? `${p.bound === 'lower' ? '>' : '<'} ${r(p.at)}`
      : `${r(p.rating)} ±${r(p.interval)}`;
    return `${p.at} ${i} "${text}"`;
  });
  const xs = rows.flatMap((p) => [p.at, p.low ?? p.at, p.high ?? p.at, p.bound === 'lower' ? p.at + arrow : p.bound ? p.at - arrow : p.at]);
  const span = Math.max(...xs) - Math.min(...xs) || 200;
  const block = (name, lines) => `$${name} << EOD\n${lines.filter(Boolean).join('\n')}\nEOD\n`;
  const plots = [];
  if (est.some(Boolean)) plots.push(`$est using 1:2:3:4 with xerrorbars pt 7 ps 1.2 lw 2 lc rgb '#1f5fa8' title 'Elo estimate, 95% interval'`);
  if (anchors.some(Boolean)) plots.push(`$anchors using 1:2 with points pt 5 ps 1.6 lc rgb '#b22222' title 'anchor (fixed)'`);
  if (bounds.some(Boolean)) plots.push(`$bounds using 1:2:3:(0) with vectors head filled lw 2 lc rgb '#2e8b57' title 'perfect score: 95% bound'`);
  plots.push(`$labels using 1:2:3 with labels offset 0,0.9 font ',9' notitle`);
  return [
    `set terminal pngcairo size 900,${160 + 60 * rows.length} font 'DejaVu Sans,10'`,
    `set output ${q(out)}`,
    `set title ${q(title)}`,
    `set ytics (${rows.map((p, i) => `${q(p.name)} ${i}`).join(', ')})`,
    `set yrange [-0.7:${rows.length - 0.2}]`,
    `set xrange [${Math.min(...xs) - 0.12 * span}:${Math.max(...xs) + 0.12 * span}]`,
    'set grid xtics',
    'set key below center horizontal',
    block('est', est),
    block('anchors', anchors),
    block('bounds', bounds),
    block('labels', labels),
    `plot ${plots.join(', \\\n  ')}`,
  ].join('\n') + '\n';
}

function main() {
  const { values, positionals } = parseArgs({
    allowPositionals: true,
    options: { title: { type: 'string' }, help: { type: 'boolean', short: 'h', default: false } },
  });
  if (values.help || positionals.length !== 2) {
    console.log(usage);
    process.exit(values.help ? 0 : 2);
  }
  const [input, out] = positionals;
  const ratings = JSON.parse(readFileSync(input, 'utf8'));
  const title = values.title ?? `Ratings from ${ratings.games} games`;
  let script;
  try {
    script = gnuplotScript(ratings, out, title);
  } catch (e) {
    console.error(`plot.mjs: ${e.message}`);
    process.exit(1);
  }
  const run = spawnSync('gnuplot', [], { input: script, encoding: 'utf8' });
  if (run.error || run.status !== 0) {
    console.error(`plot.mjs: gnuplot failed: ${run.error?.message ?? run.stderr}`);
    process.exit(1);
  }
  if (run.stderr.trim()) console.error(run.stderr.trim());
  console.log(`wrote ${out}`);
}

main();
