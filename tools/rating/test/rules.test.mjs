// The flag-fall rule, how games end, move texts in both castling
// notations, the 960 start positions, and the openings file.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { fileURLToPath } from 'node:url';
import { Board, flagResult, findMove, readOpenings, boardResult, chess960Rank, chess960Fen } from '../lib/rules.mjs';

const flag = (fen, side) => flagResult(new Board(fen), side).result;

test('a fallen flag loses, unless the opponent has a lone king or a king and one minor piece', () => {
  assert.equal(flag('4k3/8/8/8/8/8/4P3/4K3 w - - 0 1', 'b'), '1-0');
  assert.equal(flag('4k3/8/8/8/8/8/4P3/4K3 w - - 0 1', 'w'), '1/2-1/2');
  assert.equal(flag('4k3/8/8/8/8/8/8/1N2K3 w - - 0 1', 'b'), '1/2-1/2');
  assert.equal(flag('4k3/8/8/8/8/8/8/2B1K3 w - - 0 1', 'b'), '1/2-1/2');
  assert.equal(flag('4k3/8/8/8/8/8/8/1NN1K3 w - - 0 1', 'b'), '1-0');
  assert.equal(flag('4k3/8/8/8/8/8/8/R3K3 w - - 0 1', 'b'), '1-0');
  assert.equal(flag('4k2r/8/8/8/8/8/8/4K3 w - - 0 1', 'w'), '0-1');
  assert.equal(flagResult(new Board('4k2r/8/8/8/8/8/8/4K3 w - - 0 1'), 'w').termination, 'time forfeit');
});

test('endings by the rules: too little material, stalemate, mate, threefold, fifty moves; two knights play on', () => {
  assert.equal(boardResult(new Board('4k3/8/8/8/8/8/8/2B1K3 w - - 0 1')).reason, 'insufficient material');
  assert.equal(boardResult(new Board('7k/5Q2/6K1/8/8/8/8/8 b - - 0 1')).reason, 'stalemate, Black to move');
  assert.equal(boardResult(new Board('4k3/8/8/8/8/8/8/1NN1K3 w - - 0 1')), null);
  assert.equal(boardResult(new Board('7k/6Q1/6K1/8/8/8/8/8 b - - 0 1')).result, '1-0');
  assert.equal(boardResult(new Board('4k3/8/8/8/8/8/4P3/4K3 w - - 100 80')).reason, 'fifty-move rule');
  const board = new Board();
  for (const san of ['Nf3', 'Nf6', 'Ng1', 'Ng8', 'Nf3', 'Nf6', 'Ng1']) {
    board.playSan(san);
    assert.equal(boardResult(board), null);
  }
  board.playSan('Ng8');
  assert.equal(boardResult(board).reason, 'threefold repetition');
  // After e4 no capture en passant is possible, so the position is the same
  // as the one with no en passant square.
  const ep = new Board('4k3/8/8/8/8/8/4P3/4K3 w - - 0 1');
  assert.equal(ep.playSan('e4').uci, 'e2e4');
  assert.equal(ep.fen().split(' ')[3], '-');
});

test('moves: coordinates with the promotion letter; castling as the king\'s step, or in Chess960 as the king taking its rook', () => {
  const promo = new Board('4k3/P7/8/8/8/8/8/4K3 w - - 0 1');
  assert.equal(promo.moves().length, 9);
  assert.equal(findMove(promo, 'a7a8n').san, 'a8=N');
  assert.equal(findMove(promo, 'a7a8'), null);
  assert.equal(findMove(promo, 'a7b8q'), null);
  const castle = new Board('r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1');
  assert.equal(findMove(castle, 'e1g1').san, 'O-O');
  assert.equal(findMove(castle, 'e1h1'), null);
  assert.equal(findMove(castle, 'O-O-O').san, 'O-O-O');
  assert.equal(findMove(castle, 'e1e3'), null);
  assert.equal(new Board().moves().length, 20);
  // King b1, rooks a1 and e1: the king takes its own rook, either; b1c1 is a king's step.
  const fen = '1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/RK2R3 w EAgb - 0 1';
  const b960 = new Board(fen, { chess960: true });
  assert.equal(findMove(b960, 'b1a1').san, 'O-O-O');
  assert.equal(findMove(b960, 'b1e1').san, 'O-O');
  assert.equal(findMove(b960, 'b1g1'), null);
  assert.equal(findMove(b960, 'b1c1').san, 'Kc1');
  assert.equal(findMove(b960, 'O-O-O').uci, 'b1a1');
  const played = new Board(fen, { chess960: true });
  played.play(findMove(played, 'b1a1'));
  assert.match(played.fen(), /^1r2k1r1\/pppppppp\/8\/8\/8\/8\/PPPPPPPP\/2KRR3 b kq /);
});

test('Chess960: 960 distinct legal start positions, number 518 the standard one', () => {
  assert.equal(chess960Rank(518), 'RNBQKBNR');
  assert.equal(chess960Rank(0), 'BBQNNRKR');
  const seen = new Set();
  for (let n = 0; n < 960; n++) {
    const rank = chess960Rank(n);
    const at = (p) => [...rank].flatMap((x, i) => (x === p ? [i] : []));
    const [b1, b2] = at('B');
    const [r1, r2] = at('R');
    assert.ok((b1 + b2) % 2 === 1 && r1 < at('K')[0] && at('K')[0] < r2, rank);
    seen.add(rank);
    // Both forms of the castling field set up the same position.
    assert.equal(new Board(chess960Fen(n, 'shredder')).fen(), new Board(chess960Fen(n)).fen());
  }
  assert.equal(seen.size, 960);
  assert.equal(chess960Fen(0, 'shredder'), 'bbqnnrkr/pppppppp/8/8/8/8/PPPPPPPP/BBQNNRKR w HFhf - 0 1');
});

test('the openings file: 50 distinct openings of 4 to 8 legal plies', () => {
  const openings = readOpenings(fileURLToPath(new URL('../openings.txt', import.meta.url)));
  assert.equal(openings.length, 50);
  assert.equal(new Set(openings.map((o) => o.sans.join(' '))).size, 50);
  for (const o of openings) assert.ok(o.sans.length >= 4 && o.sans.length <= 8, o.name);
});
