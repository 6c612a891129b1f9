// A stand-in UCI engine for the runner's tests: it plays the first legal
// move, and from its Nth `go` on (the second argument, default 1) it
// misbehaves as the first argument says: "silent" never answers, "illegal"
// answers with a move that is not legal, "crash" exits. "good" never does.

import { createInterface } from 'node:readline';
import { Chess } from 'chess.js';

const [mode = 'good', from = '1'] = process.argv.slice(2);
let gos = 0;
let chess = new Chess();
createInterface({ input: process.stdin }).on('line', (line) => {
  const words = line.trim().split(/\s+/);
  if (words[0] === 'uci') console.log('id name fake\nuciok');
  else if (words[0] === 'isready') console.log('readyok');
  else if (words[0] === 'quit') process.exit(0);
  else if (words[0] === 'position') {
    chess = new Chess();
    for (const m of words.slice(words.indexOf('moves') + 1 || words.length)) chess.move(m);
  } else if (words[0] === 'go') {
    gos += 1;
    const bad = mode !== 'good' && gos >= Number(from);
    if (bad && mode === 'silent') return;
    if (bad && mode === 'crash') process.exit(7);
    console.log(`bestmove ${bad ? 'a1a1' : chess.moves({ verbose: true })[0].lan}`);
  }
});
