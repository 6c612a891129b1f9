// PGN out and in: the runner writes each game with the seven standard tags
// and its own (time control, opening, how it ended), and each engine move's
// score, depth and time in the form most tools read, {+0.35/7 0.53s}. The
// rating fit reads back only the tags; the WDL fit reads the moves too.

const quote = (v) => `"${String(v).replace(/\\/g, '\\\\').replace(/"/g, '\\"')}"`;

export function pgnDate(d = new Date()) {
  const p = (n) => String(n).padStart(2, '0');
  return `${d.getFullYear()}.${p(d.getMonth() + 1)}.${p(d.getDate())}`;
}

// A score from the mover's view as PGN comments have it: pawns with sign
// and two decimals, or +M3 / -M3 for a mate in (or by) 3 moves; /depth after.
export function formatScore(score) {
  const value = 'mate' in score
    ? `${score.mate > 0 ? '+' : '-'}M${Math.abs(score.mate)}`
    : `${score.cp < 0 ? '-' : '+'}${(Math.abs(score.cp) / 100).toFixed(2)}`;
  return score.depth === null || score.depth === undefined ? value : `${value}/${score.depth}`;
}

// What a move's comment says: { score, ms, text }, each null where absent;
// score as formatScore takes it, with cp (centipawns) or mate.
export function parseMoveComment(comment) {
  const out = { score: null, ms: null, text: comment };
  const m = /^(?:([+-])(M?)(\d+(?:\.\d+)?)(?:\/(\d+))?(?=\s|;|$)\s*)?(?:(\d+(?:\.\d+)?)s(?=\s|;|$))?/.exec(comment.trim());
  if (m[1]) {
    const sign = m[1] === '-' ? -1 : 1;
    const depth = m[4] === undefined ? null : Number(m[4]);
    out.score = m[2] ? { mate: sign * Number(m[3]), depth } : { cp: sign * Math.round(Number(m[3]) * 100), depth };
  }
  if (m[5] !== undefined) out.ms = Math.round(Number(m[5]) * 1000);
  return out;
}

// tags: [name, value] pairs in order. sans: every move; times: ms per move
// or null for the opening's moves, which end with a comment saying so;
// scores: the engine's score for its move, or null. The last move's
// comment says how the game ended.
export function formatGame({ tags, sans, times, scores = [], openingPlies, result, reason }) {
  const head = tags.map(([k, v]) => `[${k} ${quote(v)}]`).join('\n');
  const words = [];
  const ending = reason.replace(/[{}]/g, '');
  sans.forEach((san, i) => {
    if (i % 2 === 0) words.push(`${i / 2 + 1}.`);
    words.push(san);
    const notes = [];
    if (i + 1 === openingPlies) notes.push('book');
    else if (times[i] !== null && times[i] !== undefined) {
      const took = `${(times[i] / 1000).toFixed(2)}s`;
      notes.push(scores[i] ? `${formatScore(scores[i])} ${took}` : took);
    }
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

// Every game of a PGN text: its tags, and its moves in SAN each with the
// comment after it (or null), in order. Variations, NAGs and move numbers
// are dropped; what follows a ; to the end of the line is a comment too.
export function readPgnGames(text) {
  const games = [];
  let game = null;
  let inMoves = false;
  const tokens = /\[(\w+)\s+"((?:[^"\\]|\\.)*)"\s*\]|\{([^}]*)\}|;([^\n]*)|(\()|(\))|(\S+)/g;
  let depth = 0;
  for (const m of text.matchAll(tokens)) {
    const [, tag, value, comment, lineComment, open, close, word] = m;
    if (tag !== undefined) {
      if (!game || inMoves) {
        game = { tags: {}, moves: [] };
        games.push(game);
        inMoves = false;
        depth = 0;
      }
      game.tags[tag] = value.replace(/\\(.)/g, '$1');
      continue;
    }
    if (!game) continue;
    inMoves = true;
    if (open) depth += 1;
    else if (close) depth = Math.max(0, depth - 1);
    else if (depth > 0) continue;
    else if (comment !== undefined || lineComment !== undefined) {
      const last = game.moves.at(-1);
      const c = (comment ?? lineComment).trim();
      if (last) last.comment = last.comment === null ? c : `${last.comment} ${c}`;
    } else if (word !== undefined) {
      const san = word.replace(/^\d+\.+/, '');
      if (!san || /^\$\d+$/.test(san) || /^(1-0|0-1|1\/2-1\/2|\*)$/.test(san)) continue;
      game.moves.push({ san, comment: null });
    }
  }
  return games;
}

// The tags of each game in a PGN text, as objects.
export function readPgnTags(text) {
  return readPgnGames(text).map((g) => g.tags);
}
