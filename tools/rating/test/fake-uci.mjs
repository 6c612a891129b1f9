// A stand-in UCI engine for the runner's tests: it castles where it can,
// so that castling's notation is tried, and otherwise plays a legal move
// of its own simple choice; and from its Nth `go` on (the second argument, default 1) it
// misbehaves as the first argument says: "silent" never answers, "illegal"
// answers with a move that is not legal, "crash" exits. "good" never does.

import { createInterface } from 'node:readline';
import { Board } from '../lib/rules.mjs';

const [mode = 'good', from = '1'] = process.argv.slice(2);
let gos = 0;
let chess960 = false;
let board = new Board();
createInterface({ input: process.stdin }).on('line', (line) => {
  const words = line.trim().split(/\s+/);
  if (words[0] === 'uci') console.log('id name fake\noption name UCI_Chess960 type check default false\nuciok');
  else if (words[0] === 'isready') console.log('readyok');
  else if (words[0] === 'quit') process.exit(0);
  else if (line.trim() === 'setoption name UCI_Chess960 value true') chess960 = true;
  else if (words[0] === 'position') {
    const at = words.indexOf('moves');
    const moves = at < 0 ? [] : words.slice(at + 1);
    const fen = words[1] === 'fen' ? words.slice(2, at < 0 ? undefined : at).join(' ') : undefined;
    board = new Board(fen, { chess960 });
    for (const m of moves) board.play(board.moves().find((x) => x.uci === m));
  } else if (words[0] === 'go') {
    gos += 1;
    const bad = mode !== 'good' && gos >= Number(from);
    if (bad && mode === 'silent') return;
    if (bad && mode === 'crash') process.exit(7);
    const moves = board.moves();
    // Castling, else a piece off the back rank to clear the way, else anything.
    const back = board.turn() === 'w' ? 0 : 7;
    const move = moves.find((m) => m.san.startsWith('O-O'))
      ?? moves.find((m) => m.move.from >> 3 === back && /^[NBQ]/.test(m.san))
      ?? moves[0];
    console.log(`info depth 1 score cp ${gos} pv ${move.uci}`);
    console.log(`bestmove ${bad ? 'a1a1' : move.uci}`);
  }
});
