// The flag-fall rule, move texts, and the openings file the project keeps.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { fileURLToPath } from 'node:url';
import { Chess } from 'chess.js';
import { flagResult, findMove, readOpenings, boardResult } from '../lib/rules.mjs';

const flag = (fen, side) => flagResult(new Chess(fen), side).result;

test('a fallen flag loses, unless the opponent has a lone king or a king and one minor piece', () => {
  assert.equal(flag('4k3/8/8/8/8/8/4P3/4K3 w - - 0 1', 'b'), '1-0');
  assert.equal(flag('4k3/8/8/8/8/8/4P3/4K3 w - - 0 1', 'w'), '1/2-1/2');
  assert.equal(flag('4k3/8/8/8/8/8/8/1N2K3 w - - 0 1', 'b'), '1/2-1/2');
  assert.equal(flag('4k3/8/8/8/8/8/8/2B1K3 w - - 0 1', 'b'), '1/2-1/2');
  assert.equal(flag('4k3/8/8/8/8/8/8/1NN1K3 w - - 0 1', 'b'), '1-0');
  assert.equal(flag('4k3/8/8/8/8/8/8/R3K3 w - - 0 1', 'b'), '1-0');
  assert.equal(flag('4k2r/8/8/8/8/8/8/4K3 w - - 0 1', 'w'), '0-1');
  assert.equal(flagResult(new Chess('4k2r/8/8/8/8/8/8/4K3 w - - 0 1'), 'w').termination, 'time forfeit');
});

test('endings by the rules: too little material, stalemate; two knights play on', () => {
  assert.equal(boardResult(new Chess('4k3/8/8/8/8/8/8/2B1K3 w - - 0 1')).reason, 'insufficient material');
  assert.equal(boardResult(new Chess('7k/5Q2/6K1/8/8/8/8/8 b - - 0 1')).reason, 'stalemate, Black to move');
  assert.equal(boardResult(new Chess('4k3/8/8/8/8/8/8/1NN1K3 w - - 0 1')), null);
});

test('moves: coordinates with the promotion letter, castling as the king\'s move', () => {
  const promo = new Chess('4k3/P7/8/8/8/8/8/4K3 w - - 0 1');
  assert.equal(findMove(promo, 'a7a8n').san, 'a8=N');
  assert.equal(findMove(promo, 'a7a8'), null);
  assert.equal(findMove(promo, 'a7b8q'), null);
  const castle = new Chess('r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1');
  assert.equal(findMove(castle, 'e1g1').san, 'O-O');
  assert.equal(findMove(castle, 'O-O-O').san, 'O-O-O');
  assert.equal(findMove(castle, 'e1e3'), null);
});

test('the openings file: 50 distinct openings of 4 to 8 legal plies', () => {
  const openings = readOpenings(fileURLToPath(new URL('../openings.txt', import.meta.url)));
  assert.equal(openings.length, 50);
  assert.equal(new Set(openings.map((o) => o.sans.join(' '))).size, 50);
  for (const o of openings) assert.ok(o.sans.length >= 4 && o.sans.length <= 8, o.name);
});
