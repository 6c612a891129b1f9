// Scores in the move comments: what the engines print, as the runner
// writes it, read back by the same readers the fits and time_left use.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { uciScore, xboardScore } from '../lib/engine.mjs';
import { formatGame, formatScore, parseMoveComment, readPgnGames } from '../lib/pgn.mjs';

test('engine lines: the score, its depth, and only the first MultiPV line', () => {
  assert.deepEqual(uciScore('info depth 7 seldepth 9 score cp -35 nodes 100 pv e2e4'), { cp: -35, depth: 7 });
  assert.deepEqual(uciScore('info depth 12 score mate -3 pv e2e4'), { mate: -3, depth: 12 });
  assert.deepEqual(uciScore('info depth 9 multipv 1 score cp 20 lowerbound pv d2d4'), { cp: 20, depth: 9 });
  assert.equal(uciScore('info depth 9 multipv 2 score cp 10 pv e2e4'), null);
  assert.equal(uciScore('info string score cp 5'), null);
  assert.equal(uciScore('info depth 3 currmove e2e4'), null);
  assert.deepEqual(xboardScore('7 35 53 12345 e2e4 e7e5'), { cp: 35, depth: 7 });
  assert.deepEqual(xboardScore('9& -100004 120 999 Kh1'), { mate: -4, depth: 9 });
  assert.equal(xboardScore('1. ... e7e5'), null);
});

test('comments: +0.35/7 0.53s and mates written and read back, with the ending after them', () => {
  assert.equal(formatScore({ cp: 35, depth: 7 }), '+0.35/7');
  assert.equal(formatScore({ cp: -5, depth: 12 }), '-0.05/12');
  assert.equal(formatScore({ cp: 0, depth: 1 }), '+0.00/1');
  assert.equal(formatScore({ mate: 3, depth: 9 }), '+M3/9');
  assert.equal(formatScore({ mate: -1, depth: null }), '-M1');
  const sans = ['e4', 'e5', 'Qh5', 'Nc6', 'Bc4', 'Nf6', 'Qxf7#'];
  const times = [null, null, 530, 1200, 40, 70, 10];
  const scores = [null, null, { cp: 35, depth: 7 }, { cp: -250, depth: 8 }, null, { mate: -1, depth: 5 }, { mate: 1, depth: 3 }];
  const text = formatGame({ tags: [['White', 'A'], ['Result', '1-0']], sans, times, scores, openingPlies: 2, result: '1-0', reason: 'White mates' });
  assert.match(text, /Qh5 \{\+0\.35\/7 0\.53s\} Nc6 \{-2\.50\/8 1\.20s\} 3\. Bc4 \{0\.04s\}/);
  const [game] = readPgnGames(text);
  assert.equal(game.tags.White, 'A');
  assert.deepEqual(game.moves.map((m) => m.san), sans);
  const read = game.moves.map((m) => (m.comment === null ? null : parseMoveComment(m.comment)));
  assert.equal(read[0], null);
  assert.deepEqual(read[1], { score: null, ms: null, text: 'book' });
  assert.deepEqual(read.slice(2).map((r) => [r.score, r.ms]), scores.slice(2).map((s, i) => [s, times[i + 2]]));
  assert.equal(read[6].text, '+M1/3 0.01s; White mates');
  // Other tools' forms: a time alone, a score without depth.
  assert.deepEqual(parseMoveComment('1.25s'), { score: null, ms: 1250, text: '1.25s' });
  assert.deepEqual(parseMoveComment('-1.5 2s').score, { cp: -150, depth: null });
});
