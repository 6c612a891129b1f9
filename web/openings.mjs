// Writes the page's table of opening names by position from the opening
// data set's files: each line of a.tsv ... e.tsv (ECO, name, PGN moves)
// becomes "position<TAB>ECO<TAB>name", the position being the first four
// fields of its FEN as chess.js writes them, as the page looks them up.
//   node openings.mjs NODE_MODULES OUTPUT INPUT.tsv...
import { readFileSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join } from 'node:path';

const [modules, output, ...inputs] = process.argv.slice(2);
const { Chess } = createRequire(join(modules, 'x'))('chess.js');
const lines = [];
for (const input of inputs) {
  const [header, ...rows] = readFileSync(input, 'utf8').trim().split('\n');
  if (header !== 'eco\tname\tpgn') throw new Error(`${input}: not a table of openings (${header})`);
  for (const row of rows) {
    const [eco, name, moves] = row.split('\t');
    const chess = new Chess();
    chess.loadPgn(moves);
    lines.push(`${chess.fen().split(' ').slice(0, 4).join(' ')}\t${eco}\t${name}`);
  }
}
writeFileSync(output, `${lines.join('\n')}\n`);
