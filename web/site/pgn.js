// The game as PGN: the seven standard tags and the others that apply, the
// moves, and what the page adds to them the way PGN readers expect: after a
// review, each move's evaluation as an [%eval] command in its comment and a
// judged move's NAG ($6 ?!, $2 ?, $4 ??) with the move that was best; a
// note where a hint was taken; how a game ended off the board.
import { START } from './game.js';
import { evaluations, judgementNamed, pgnEval } from './judgement.js';

const WIDTH = 79;
const quoted = (value) => `"${String(value).replaceAll('\\', '\\\\').replaceAll('"', '\\"')}"`;

// Words into lines of at most WIDTH characters.
function wrap(words) {
  const lines = [];
  let line = '';
  for (const word of words) {
    if (line && line.length + 1 + word.length > WIDTH) {
      lines.push(line);
      line = word;
    } else {
      line = line ? `${line} ${word}` : word;
    }
  }
  if (line) lines.push(line);
  return lines.join('\n');
}

// The comment after move `i` (0-based) of the history, or '': the
// evaluation of the position it leads to, what was best instead of a
// judged move, the hint taken.
function comment(game, i, values, reviewed) {
  const parts = [];
  const after = values[i + 1];
  if (after && !after.over) parts.push(`[%eval ${pgnEval(after.score)}]`);
  const judgement = judgementNamed(reviewed[i]?.judgement);
  if (judgement) parts.push(`${judgement.word}. ${reviewed[i].bestSan} was best.`);
  if (game.hints.includes(i + 1)) parts.push('The player took a hint here.');
  return parts.join(' ');
}

// names: {w, b}; timeControl as PGN writes it ("180+2"), or ''.
export function gamePgn(game, names, timeControl) {
  const tags = [['Event', 'Casual game'], ['Site', location.origin + location.pathname], ['Date', game.date],
                ['Round', '-'], ['White', names.w], ['Black', names.b], ['Result', game.outcome()?.result ?? '*']];
  if (timeControl) tags.push(['TimeControl', timeControl]);
  if (game.start !== START) tags.push(['SetUp', '1'], ['FEN', game.start]);
  const reviewed = game.reviewedMoves();
  if (reviewed.length) tags.push(['Annotator', `Quorlix, ${game.review.budget}`]);

  const words = [];
  if (game.hints.includes(0)) words.push('{The player took a hint here.}');
  let numbered = false;  // whether the next black move needs its number again
  const values = evaluations(game);
  game.history().forEach((move, i) => {
    const number = Number(move.before.split(' ')[5]);
    if (move.color === 'w') words.push(`${number}.`);
    else if (i === 0 || numbered) words.push(`${number}...`);
    words.push(move.san);
    const nag = judgementNamed(reviewed[i]?.judgement);
    if (nag) words.push(nag.nag);
    const text = comment(game, i, values, reviewed);
    if (text) words.push(...`{${text}}`.split(' '));
    numbered = Boolean(text || nag);
  });
  if (game.ending) words.push(...`{${game.ending.reason}.}`.split(' '));
  words.push(game.outcome()?.result ?? '*');
  return `${tags.map(([name, value]) => `[${name} ${quoted(value)}]`).join('\n')}\n\n${wrap(words)}\n`;
}
