// Games through real processes: forfeits found by the runner (a flag with
// no move, an illegal move, a crash) with a stand-in engine, and one short
// game between Quorlix's two programs, UCI and xboard, through the command.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { existsSync, mkdtempSync, readFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { execFileSync } from 'node:child_process';
import { fileURLToPath } from 'node:url';
import { Chess } from 'chess.js';
import { createEngine } from '../lib/engine.mjs';
import { playGame } from '../lib/game.mjs';
import { readPgnTags, readPgnGames, parseMoveComment } from '../lib/pgn.mjs';
import { Board } from '../lib/rules.mjs';

const here = fileURLToPath(new URL('.', import.meta.url));
const root = join(here, '../../..');
const opening = { name: 'Italian', sans: ['e4', 'e5', 'Nf3', 'Nc6', 'Bc4', 'Bc5'] };

async function fakeGame(mode, tc = { base: 2000, inc: 0 }, maxMoves = 0) {
  const spec = (m) => ({ name: m, cmd: `node ${join(here, 'fake-uci.mjs')} ${m} 3`, proto: 'uci', options: [] });
  const white = createEngine(spec('good'));
  const black = createEngine(spec(mode));
  try {
    for (const e of [white, black]) {
      await e.start();
      await e.newGame(tc);
    }
    return await playGame({ white, black, opening, tc, maxMoves });
  } finally {
    await Promise.all([white.quit(), black.quit()]);
  }
}

test('forfeits: a silent engine\'s flag falls, an illegal move and a crash lose', async () => {
  const silent = await fakeGame('silent', { base: 300, inc: 0 });
  assert.deepEqual([silent.result, silent.termination], ['1-0', 'time forfeit']);
  assert.match(silent.reason, /^Black's flag fell with no move/);
  const illegal = await fakeGame('illegal');
  assert.deepEqual([illegal.result, illegal.termination], ['1-0', 'rules infraction']);
  assert.match(illegal.reason, /illegal move: a1a1/);
  const crash = await fakeGame('crash');
  assert.deepEqual([crash.result, crash.termination], ['1-0', 'abandoned']);
  assert.match(crash.reason, /exited with status 7/);
  const limit = await fakeGame('good', { base: 2000, inc: 0 }, 8);
  assert.deepEqual([limit.result, limit.termination, limit.sans.length], ['1/2-1/2', 'adjudication', 16]);
});

test('Chess960 through the command: UCI_Chess960, a Shredder-FEN start, castling as the king taking its rook, and the PGN tags', () => {
  const dir = mkdtempSync(join(tmpdir(), 'rating-'));
  const fake = `node ${join(here, 'fake-uci.mjs')} good`;
  execFileSync(process.execPath, [
    join(here, '../match.mjs'), '--variant', 'chess960', '--seed', '3',
    '--engine', `name=A,cmd=${fake}`, '--engine', `name=B,cmd=${fake}`,
    '--games', '2', '--tc', '20+0', '--max-moves', '15', '--pgn', join(dir, 'g.pgn'), '--log', join(dir, 'log'), '--strict',
  ], { stdio: 'pipe' });
  const games = readPgnGames(readFileSync(join(dir, 'g.pgn'), 'utf8'));
  assert.equal(games.length, 2);
  assert.deepEqual([games[0].tags.White, games[1].tags.White], ['A', 'B']);
  for (const { tags, moves } of games) {
    assert.deepEqual([tags.Variant, tags.SetUp, tags.FEN], ['Chess960', '1', games[0].tags.FEN]);
    assert.equal(tags.Termination, 'adjudication', tags.TerminationDetails);
    assert.ok(moves.some((m) => m.san.startsWith('O-O')), 'the fake castles where it can');
    assert.equal(parseMoveComment(moves[0].comment).score.depth, 1);
  }
  const log = readFileSync(join(dir, 'log'), 'utf8');
  assert.match(log, /< setoption name UCI_Chess960 value true/);
  const start = /< position fen (\S+ w [A-H]{2}[a-h]{2} - 0 1)/.exec(log);
  assert.ok(start, 'a Shredder-FEN');
  assert.equal(new Board(start[1]).fen(), games[0].tags.FEN);
  // Every castling the fakes played went as the king onto its own rook's square.
  const board = new Board(start[1], { chess960: true });
  const line = /< position fen \S+ \S+ \S+ - 0 1 moves (.*)/.exec(log.split('\n').filter((l) => l.includes('A < position')).at(-1))[1];
  for (const uci of line.split(' ')) {
    const move = board.moves().find((m) => m.uci === uci);
    assert.ok(move, uci);
    if (move.san.startsWith('O-O')) assert.ok(board.pos.board.get(move.move.to)?.role === 'rook', uci);
    board.play(move);
  }
});

const built = existsSync(join(root, 'build/quorlix')) && existsSync(join(root, 'build/quorlix-uci'));
test('a short real game: quorlix-uci against quorlix over xboard', { skip: !built && 'build the release preset first' }, () => {
  const pgn = join(mkdtempSync(join(tmpdir(), 'rating-')), 'game.pgn');
  execFileSync(process.execPath, [
    join(here, '../match.mjs'),
    '--engine', `name=Quorlix UCI,cmd=${join(root, 'build/quorlix-uci')},proto=uci`,
    '--engine', `name=Quorlix xboard,cmd=${join(root, 'build/quorlix')},proto=xboard`,
    '--games', '1', '--tc', '60+1', '--max-moves', '12', '--pgn', pgn, '--strict',
  ], { stdio: 'pipe' });
  const text = readFileSync(pgn, 'utf8');
  const [tags] = readPgnTags(text);
  assert.equal(tags.White, 'Quorlix UCI');
  assert.equal(tags.TimeControl, '60+1');
  assert.ok(['normal', 'adjudication'].includes(tags.Termination), tags.TerminationDetails);
  // The PGN reads back, and its moves are the game's.
  const chess = new Chess();
  chess.loadPgn(text);
  assert.equal(chess.history().length, Number(tags.PlyCount));
  assert.equal(chess.getHeaders().Result, tags.Result);
});
