// PGN out and in: the runner writes each game with the seven standard tags
// and its own (time control, opening, how it ended); the rating fit reads
// back only the tags, as results are all it needs.

const quote = (v) => `"${String(v).replace(/\\/g, '\\\\').replace(/"/g, '\\"')}"`;

export function pgnDate(d = new Date()) {
  const p = (n) => String(n).padStart(2, '0');
  return `${d.getFullYear()}.${p(d.getMonth() + 1)}.${p(d.getDate())}`;
}

// tags: [name, value] pairs in order. sans: every move; times: ms per move
// or null for the opening's moves, which end with a comment saying so. The
// last move's comment says how the game ended.
export function formatGame({ tags, sans, times, openingPlies, result, reason }) {
  const head = tags.map(([k, v]) => `[${k} ${quote(v)}]`).join('\n');
  const words = [];
  const ending = reason.replace(/[{}]/g, '');
  sans.forEach((san, i) => {
    if (i % 2 === 0) words.push(`${i / 2 + 1}.`);
    words.push(san);
    const notes = [];
    if (i + 1 === openingPlies) notes.push('book');
    else if (times[i] !== null && times[i] !== undefined) notes.push(`${(times[i] / 1000).toFixed(2)}s`);
    // One comment a move: some readers take no two in a row.
    if (i + 1 === sans.length) notes.push(ending);
    if (notes.length) words.push(`{${notes.join('; ')}}`);
  });
  if (sans.length === 0) words.push(`{${ending}}`);
  words.push(result);
  const lines = [];
  let line = '';
  for (const w of words) {
    if (line && line.length + 1 + w.length > 79) {
      lines.push(line);
      line = w;
    } else {
      line = line ? `${line} ${w}` : w;
    }
  }
  lines.push(line);
  return `${head}\n\n${lines.join('\n')}\n\n`;
}

// The tags of each game in a PGN text, as objects.
export function readPgnTags(text) {
  const games = [];
  let current = null;
  let inMoves = false;
  for (const raw of text.split(/\r?\n/)) {
    const m = /^\s*\[(\w+)\s+"((?:[^"\\]|\\.)*)"\s*\]\s*$/.exec(raw);
    if (m) {
      if (!current || inMoves) {
        current = {};
        games.push(current);
        inMoves = false;
      }
      current[m[1]] = m[2].replace(/\\(.)/g, '$1');
    } else if (raw.trim() && current) {
      inMoves = true;
    }
  }
  return games;
}
