// The game: its start and moves (chess.js keeps the rules), the settings it
// is played at, how it ended when the board does not say (a resignation, a
// fallen flag), its review and the hints taken. It is kept in the browser's
// storage between visits, and read from PGN, FEN and a link whose fragment
// holds it (pgn.js writes it).
import { Chess, DEFAULT_POSITION, validateFen } from './lib/chess.js/dist/esm/chess.js';

export const START = DEFAULT_POSITION;
export const colorName = { w: 'White', b: 'Black' };
export const other = (color) => (color === 'w' ? 'b' : 'w');
const wins = { w: '1-0', b: '0-1' };
const DRAW = '1/2-1/2';
const STORAGE_PREFIX = 'quorlix-';
const SAVED_GAME = 'game';

// The engine's name in the PGN and on the page, with its level.
export const engineName = (elo) => `Quorlix (${elo ? `level ${elo}` : 'full strength'})`;

// The browser's storage; a browser that keeps nothing (a private window,
// storage turned off) simply forgets.
export function remember(key, value) {
  try {
    localStorage.setItem(STORAGE_PREFIX + key, value);
  } catch {}
}

export function recall(key) {
  try {
    return localStorage.getItem(STORAGE_PREFIX + key);
  } catch {
    return null;
  }
}

const today = () => {
  const now = new Date();
  const two = (n) => String(n).padStart(2, '0');
  return `${now.getFullYear()}.${two(now.getMonth() + 1)}.${two(now.getDate())}`;
};

export const uciMove = (uci) => ({ from: uci.slice(0, 2), to: uci.slice(2, 4), promotion: uci[4] });

// Whether `color` has the material to mate in some line of play at all. Only
// the cases that come up at a flag are told apart: a bare king; a lone knight
// or bishops of one square colour against a king with nothing that can block
// (for bishops, nothing but bishops on the same colour).
export function canMate(chess, color) {
  const pieces = { w: [], b: [] };
  chess.board().flat().forEach((piece) => piece && piece.type !== 'k' && pieces[piece.color].push(piece));
  const own = pieces[color];
  const theirs = pieces[other(color)];
  if (own.length === 0) return false;
  const shade = ({ square }) => (square.charCodeAt(0) + Number(square[1])) % 2;
  if (own.every((p) => p.type === 'b') && [...own, ...theirs].every((p) => p.type === 'b' && shade(p) === shade(own[0]))) {
    return false;
  }
  return !(own.length === 1 && own[0].type === 'n' && theirs.length === 0);
}

export class Game {
  // settings: {level (an Elo rating, or null for full strength), timeControl
  // (a key of clocks.js, '' when untimed)}.
  // review: what review.js found, {budget, moves: [{uci, ...}, ...]} for
  // the moves from the first; hints: the plies after which a hint was taken.
  constructor({ start = START, moves = [], settings, ending = null, date = today(), review = null, hints = [] }) {
    this.start = start;
    this.chess = new Chess(start);
    this.settings = settings;
    this.ending = ending;  // {result, reason} when not over on the board
    this.date = date;
    this.review = review;
    this.hints = hints;
    for (const uci of moves) this.chess.move(uciMove(uci));
  }

  // The moves (chess.js's, verbose), worked out once for each change: the
  // panel asks for them many times over.
  history() {
    this.moves ??= this.chess.history({ verbose: true });
    return this.moves;
  }

  uciMoves() {
    return this.history().map((move) => move.lan);
  }

  turn() {
    return this.chess.turn();
  }

  fen() {
    return this.chess.fen();
  }

  // The position after `ply` plies (0: the start) and the move that led to it.
  positionAt(ply) {
    const moves = this.history();
    if (ply >= moves.length) return { chess: this.chess, last: moves.at(-1) };
    const chess = new Chess(this.start);
    for (const move of moves.slice(0, ply)) chess.move(move.san);
    return { chess, last: moves[ply - 1] };
  }

  // The FENs from the start to the position after `ply` plies.
  fensTo(ply) {
    return [this.start, ...this.history().slice(0, ply).map((move) => move.after)];
  }

  // The review's findings for the moves the game still has, from the first
  // up to the first move that differs from the one reviewed.
  reviewedMoves() {
    const found = [];
    const history = this.history();
    for (const [i, entry] of (this.review?.moves ?? []).entries()) {
      if (history[i]?.lan !== entry.uci) break;
      found.push({ ...entry, color: history[i].color });
    }
    return found;
  }

  play(move) {
    this.moves = null;
    return this.chess.move(typeof move === 'string' ? uciMove(move) : move);
  }

  undo() {
    this.moves = null;
    const move = this.chess.undo();
    this.hints = this.hints.filter((ply) => ply <= this.history().length);
    return move;
  }

  resign(color) {
    this.ending = { result: wins[other(color)], reason: `${colorName[color]} resigns` };
  }

  // `color`'s flag has fallen: a loss, or a draw when the other side could
  // not mate whatever happened.
  flagFell(color) {
    const winner = other(color);
    this.ending = canMate(this.chess, winner)
      ? { result: wins[winner], reason: `${colorName[color]} lost on time` }
      : { result: DRAW, reason: `${colorName[color]}'s time is up, but ${colorName[winner]} cannot mate` };
  }

  // How the game ended, {result, text}, or null while it goes on.
  outcome() {
    const { chess } = this;
    const shown = (result) => (result === DRAW ? '½-½' : result);
    if (this.ending) {
      const { result, reason } = this.ending;
      const verdict = result === DRAW ? 'draw' : `${colorName[result === '1-0' ? 'w' : 'b']} wins`;
      return { result, text: `${reason}: ${verdict} (${shown(result)}).` };
    }
    if (chess.isCheckmate()) {
      const winner = other(chess.turn());
      return { result: wins[winner], text: `Checkmate: ${colorName[winner]} wins (${wins[winner]}).` };
    }
    const draws = [
      [chess.isStalemate(), 'Draw by stalemate'],
      [chess.isThreefoldRepetition(), 'Draw by threefold repetition'],
      [chess.isDrawByFiftyMoves(), 'Draw by the fifty-move rule'],
      [chess.isInsufficientMaterial(), 'Draw: neither side has the material to mate'],
    ];
    const draw = draws.find(([holds]) => holds);
    return draw ? { result: DRAW, text: `${draw[1]} (½-½).` } : null;
  }

  // The fragment of a link that holds the game: its start, when not the
  // usual one, and its moves.
  fragment() {
    const fields = [];
    if (this.start !== START) fields.push(`fen=${this.start.replaceAll(' ', '_')}`);
    const moves = this.uciMoves();
    if (moves.length) fields.push(`moves=${moves.join('_')}`);
    return fields.join('&');
  }

  toJSON() {
    const { start, settings, ending, date, review, hints } = this;
    return { start, moves: this.uciMoves(), settings, ending, date, review, hints };
  }
}

// The game a link's fragment holds ("#fen=...&moves=..."), as {start, moves,
// problem}: what is wrong with it is said in words, and the part of it that
// makes sense is kept. Null when the fragment holds no game.
export function gameFromFragment(hash) {
  const fields = new URLSearchParams(hash.replace(/^#/, ''));
  if (!fields.has('fen') && !fields.has('moves')) return null;
  let start = START;
  let problem = null;
  if (fields.has('fen')) {
    const fen = fields.get('fen').replaceAll('_', ' ').trim();
    const check = validateFen(fen);
    if (check.ok) start = fen;
    else return { start, moves: [], problem: `The link's position is not a valid FEN (${check.error}), so the game starts from the usual position.` };
  }
  const chess = new Chess(start);
  const moves = [];
  for (const uci of (fields.get('moves') || '').split('_').filter(Boolean)) {
    try {
      moves.push(chess.move(uciMove(uci)).lan);
    } catch {
      problem = `The link's move ${moves.length + 1} (${uci}) is not legal there, so the game stops before it.`;
      break;
    }
  }
  return { start, moves, problem };
}

// A pasted PGN or FEN as {start, moves}; throws an Error that says in words
// why the text is neither.
export function gameFromText(text) {
  const trimmed = text.trim();
  if (!trimmed) throw new Error('the box is empty: paste a PGN or a FEN into it');
  if (validateFen(trimmed).ok) return { start: trimmed, moves: [] };
  const chess = new Chess();
  try {
    chess.loadPgn(trimmed);
  } catch (error) {
    const looksLikeFen = /^[1-8pnbrqkPNBRQK]+(\/[1-8pnbrqkPNBRQK]+){7}\s/.test(trimmed);
    const why = looksLikeFen ? validateFen(trimmed).error : error.message.split('\n')[0];
    throw new Error(`that is neither a PGN nor a FEN (${why})`);
  }
  const moves = chess.history({ verbose: true });
  if (!moves.length && !chess.getHeaders().FEN) throw new Error('that PGN holds no moves and no position');
  return { start: moves.length ? moves[0].before : chess.fen(), moves: moves.map((move) => move.lan) };
}

// The game kept by the browser and its clocks ({w, b} in milliseconds, or
// null), or null when none is kept.
export function savedGame(settings) {
  try {
    const { clocks = null, ...kept } = JSON.parse(recall(SAVED_GAME));
    return { game: new Game({ ...kept, settings: { ...settings, ...kept.settings } }), clocks };
  } catch {
    return null;  // none, or one this version cannot read: a new game
  }
}

export function saveGame(game, clocks) {
  remember(SAVED_GAME, JSON.stringify({ ...game.toJSON(), clocks }));
}
