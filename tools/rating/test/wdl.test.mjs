// The WDL model and its fit: a proper, monotone model for every material
// count; constants found again from results drawn from a known model; and
// the samples read from the runner's PGN as the fit needs them.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { wdl, fitKind, kinds, readSamples, evenOffset, ratingGap, itself } from '../lib/wdl.mjs';
import { formatGame } from '../lib/pgn.mjs';

const known = { a0: 200, a1: -120, b0: 150, b1: 60, c: 70, d: { weak: 40, strong: -150 } };

// A fixed generator, so that the test draws the same games every time.
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

test('the model: three chances adding up to one, win rising and loss falling with the score', () => {
  for (const m of [0, 0.3, 1]) {
    for (const odd of [false, true]) {
      let last = null;
      for (let s = -2000; s <= 2000; s += 25) {
        const q = wdl(known, { s, m, odd });
        assert.ok(Math.abs(q.win + q.draw + q.loss - 1) < 1e-12 && q.draw >= 0);
        if (last) assert.ok(q.win >= last.win && q.loss <= last.loss, `m ${m} s ${s}`);
        last = q;
      }
    }
  }
  // Even at a material count where a and b would fall below 1.
  const q = wdl({ a0: -50, a1: 0, b0: -5, b1: 0, c: 0 }, { s: 0, m: 0, odd: false });
  assert.ok(q.draw >= 0 && Math.abs(q.win - q.loss) < 1e-12);
});

test('the fit finds known constants and opponents\' offsets again from 20,000 drawn results', () => {
  const rnd = mulberry32(5);
  const samples = Array.from({ length: 20000 }, () => {
    const x = { s: Math.round(-900 + 1800 * rnd()), m: rnd(), odd: rnd() < 0.5, group: rnd() < 0.5 ? 'weak' : 'strong' };
    const q = wdl(known, x);
    const u = rnd();
    return { ...x, outcome: u < q.win ? 1 : u < q.win + q.draw ? 0.5 : 0 };
  });
  const p = fitKind(kinds.find((k) => k.free.length === 5), samples, ['strong', 'weak']);
  for (const [name, tolerance] of [['a0', 15], ['a1', 25], ['b0', 15], ['b1', 25], ['c', 12]]) {
    assert.ok(Math.abs(p[name] - known[name]) < tolerance, `${name}: ${p[name].toFixed(1)} for ${known[name]}`);
  }
  for (const g of ['strong', 'weak']) assert.ok(Math.abs(p.d[g] - known.d[g]) < 12, `${g}: ${p.d[g].toFixed(1)}`);
});

test('the even opponent\'s offset: the offsets\' line against the rating gaps, at no gap', () => {
  assert.ok(Math.abs(ratingGap(0.76) - 200) < 1);
  assert.equal(evenOffset([{ gap: 100, d: 50 }, { gap: -100, d: -150 }]), -50);
  assert.equal(evenOffset([{ gap: 30, d: -20 }]), -20);
  assert.ok(Math.abs(evenOffset([{ gap: 0, d: 1 }, { gap: 10, d: 2 }, { gap: 20, d: 3 }]) - 1) < 1e-12);
});

test('samples from the PGN: the player\'s scored moves, mates left out, material before the move, its result', () => {
  const game = (white, black, result, scores) => formatGame({
    tags: [['White', white], ['Black', black], ['Result', result]],
    sans: ['e4', 'd5', 'exd5', 'Qxd5', 'Nc3'],
    times: [10, 20, 30, 40, 50],
    scores,
    openingPlies: 0,
    result,
    reason: 'adjudication',
  });
  const text = game('Q', 'X', '0-1', [{ cp: 30, depth: 7 }, { cp: 5, depth: 9 }, { cp: -2500, depth: 8 }, null, { mate: 3, depth: 5 }])
    + game('X', 'Q', '1/2-1/2', [{ cp: 30, depth: 7 }, { cp: -40, depth: 9 }, null, { cp: 12, depth: 6 }, { cp: 99, depth: 7 }])
    + game('Y', 'Z', '1-0', []);
  const { games } = readSamples(text, 'Q');
  assert.equal(games.length, 2);
  assert.deepEqual(games[0].samples, [
    { s: 30, m: 1, odd: true, group: 'X', outcome: 0 },
    { s: -2000, m: 1, odd: false, group: 'X', outcome: 0 },
  ]);
  assert.equal(games[0].mates, 1);
  assert.deepEqual(games[1].samples, [
    { s: -40, m: 1, odd: true, group: 'X', outcome: 0.5 },
    { s: 12, m: 7700 / 7800, odd: false, group: 'X', outcome: 0.5 },
  ]);
  // Against itself, one side at a time, and only the games of its own two names.
  const self = game('Q A', 'Q B', '1-0', [{ cp: 30, depth: 7 }, { cp: -20, depth: 8 }, null, null, null])
    + game('Q A', 'X', '1-0', [{ cp: 30, depth: 7 }, null, null, null, null]);
  const white = readSamples(self, 'Q', { side: 'w' }).games;
  const black = readSamples(self, 'Q', { side: 'b' }).games;
  assert.deepEqual(white.map((g) => g.samples), [[{ s: 30, m: 1, odd: true, group: itself, outcome: 1 }]]);
  assert.deepEqual(black.map((g) => g.samples), [[{ s: -20, m: 1, odd: false, group: itself, outcome: 0 }]]);
});
