// The rating fit on cases whose answers are known in closed form.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { fitRatings } from '../lib/fit.mjs';

const games = (white, black, wins, draws, losses) => [
  ...Array(wins).fill({ white, black, score: 1 }),
  ...Array(draws).fill({ white, black, score: 0.5 }),
  ...Array(losses).fill({ white, black, score: 0 }),
];
const row = (fit, name) => fit.players.find((p) => p.name === name);
// 400 / ln 10: one standard error of d per unit of 1 / sqrt(n p (1 - p)).
const S = 400 / Math.LN10;

test('a 50% score is the anchor\'s rating, draws counting half', () => {
  const fit = fitRatings([...games('A', 'S', 3, 4, 3), ...games('S', 'A', 2, 6, 2)], { S: 1500 });
  assert.ok(Math.abs(row(fit, 'A').rating - 1500) < 1e-6);
});

test('76% is about +200, with the binomial interval', () => {
  const fit = fitRatings(games('A', 'S', 76, 0, 24), { S: 0 });
  const a = row(fit, 'A');
  assert.ok(Math.abs(a.rating - 400 * Math.log10(76 / 24)) < 1e-6);
  assert.ok(Math.abs(a.interval - 1.959964 * S / Math.sqrt(100 * 0.76 * 0.24)) < 1e-3);
  // Draws as half points: 52 wins and 48 draws make the same 76%.
  assert.ok(Math.abs(row(fitRatings(games('A', 'S', 52, 48, 0), { S: 0 }), 'A').rating - a.rating) < 1e-6);
});

test('a chain: C never met the anchor and is rated through B', () => {
  const fit = fitRatings([...games('B', 'A', 76, 0, 24), ...games('C', 'B', 76, 0, 24)], { A: 1000 });
  const d = 400 * Math.log10(76 / 24);
  assert.ok(Math.abs(row(fit, 'B').rating - (1000 + d)) < 1e-6);
  assert.ok(Math.abs(row(fit, 'C').rating - (1000 + 2 * d)) < 1e-6);
  // C's uncertainty adds B's: two equal variances.
  assert.ok(Math.abs(row(fit, 'C').interval / row(fit, 'B').interval - Math.SQRT2) < 1e-6);
});

test('two anchors pull a player between them, and without anchors the mean is 0', () => {
  const fit = fitRatings([...games('X', 'L', 76, 0, 24), ...games('X', 'H', 24, 0, 76)], { L: 1000, H: 1400 });
  assert.ok(Math.abs(row(fit, 'X').rating - 1200) < 1e-6);
  const free = fitRatings([...games('P', 'Q', 6, 2, 2), ...games('Q', 'R', 5, 0, 5), ...games('R', 'P', 1, 1, 3)]);
  assert.ok(Math.abs(free.players.reduce((s, p) => s + p.rating, 0)) < 1e-6);
  const two = fitRatings(games('P', 'Q', 76, 0, 24));
  assert.ok(Math.abs(row(two, 'P').rating - 400 * Math.log10(76 / 24) / 2) < 1e-6);
  assert.ok(Math.abs(row(two, 'P').interval - 1.959964 * S / Math.sqrt(100 * 0.76 * 0.24) / 2) < 1e-3);
});

test('a perfect score gets a bound, not a number, and the rest are still fitted', () => {
  const fit = fitRatings([...games('Q', 'S', 20, 0, 0), ...games('T', 'S', 10, 0, 10)], { S: 1350 });
  const q = row(fit, 'Q');
  assert.equal(q.rating, null);
  assert.equal(q.bound, 'lower');
  // 20 wins in a row happen one time in twenty at 1350 + 316.6.
  assert.ok(Math.abs(q.low - 1666.64) < 0.01);
  assert.ok(Math.abs(row(fit, 'T').rating - 1350) < 1e-6);
  assert.match(fit.notes.join('\n'), /Q won every game/);
  const zero = row(fitRatings(games('S', 'Z', 20, 0, 0), { S: 1350 }), 'Z');
  assert.equal(zero.bound, 'upper');
  assert.ok(Math.abs(zero.high - (1350 - 316.64)) < 0.01);
});

test('groups that took no points from each other have no finite ratings', () => {
  const g = [...games('A', 'B', 2, 1, 1), ...games('C', 'D', 2, 1, 1), ...games('A', 'C', 3, 0, 0), ...games('B', 'D', 3, 0, 0)];
  assert.throws(() => fitRatings(g), /no finite ratings/);
});
