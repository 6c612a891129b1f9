// The runner's rules of the game, all asked of chessops, for standard chess
// and Chess960 alike: a board that knows the moves in the notation the
// engines use, how a game ends on the board, what a fallen flag means,
// which text names a legal move, the openings file and the 960 start
// positions. Nothing here knows about engines or clocks.

import { readFileSync } from 'node:fs';
import { Chess, castlingSide } from 'chessops/chess';
import { parseFen, makeFen, INITIAL_FEN } from 'chessops/fen';
import { makeSan, parseSan } from 'chessops/san';
import { makeSquare, kingCastlesTo } from 'chessops/util';

export const colourName = (c) => (c === 'w' ? 'White' : 'Black');
export const other = (c) => (c === 'w' ? 'b' : 'w');

export const pieceValues = { pawn: 100, knight: 300, bishop: 300, rook: 500, queen: 900, king: 0 };

// A game's position and its past. `chess960` decides how castling is
// written in coordinates: the king taking its own rook (e1h1), as UCI has
// it for Chess960, or the king's two-square step (e1g1) of standard chess.
export class Board {
  constructor(fen = INITIAL_FEN, { chess960 = false } = {}) {
    const setup = parseFen(fen);
    if (setup.isErr) throw new Error(`bad FEN "${fen}": ${setup.error.message}`);
    const pos = Chess.fromSetup(setup.value);
    if (pos.isErr) throw new Error(`impossible position "${fen}": ${pos.error.message}`);
    this.pos = pos.value;
    this.chess960 = chess960;
    this.seen = new Map();
    this.remember();
  }

  turn() {
    return this.pos.turn === 'white' ? 'w' : 'b';
  }

  fen() {
    return makeFen(this.pos.toSetup());
  }

  // Every legal move as { uci, san, move }.
  moves() {
    const out = [];
    for (const [from, dests] of this.pos.allDests()) {
      const role = this.pos.board.getRole(from);
      for (const to of dests) {
        const last = to < 8 || to >= 56;
        for (const promotion of role === 'pawn' && last ? ['queen', 'rook', 'bishop', 'knight'] : [undefined]) {
          const move = promotion ? { from, to, promotion } : { from, to };
          out.push({ uci: this.uci(move), san: makeSan(this.pos, move), move });
        }
      }
    }
    return out;
  }

  uci(move) {
    const side = castlingSide(this.pos, move);
    const to = side && !this.chess960 ? kingCastlesTo(this.pos.turn, side) : move.to;
    const promo = move.promotion ? { queen: 'q', rook: 'r', bishop: 'b', knight: 'n' }[move.promotion] : '';
    return makeSquare(move.from) + makeSquare(to) + promo;
  }

  // Plays one of moves()'s entries; returns it.
  play(entry) {
    this.pos.play(entry.move);
    this.remember();
    return entry;
  }

  playSan(san) {
    const move = parseSan(this.pos, san);
    if (!move) return null;
    return this.play({ uci: this.uci(move), san: makeSan(this.pos, move), move });
  }

  // Positions count as repeated with the same pieces, side, rights and a
  // capture en passant that can really be made; chessops's FEN has just that.
  remember() {
    const key = this.fen().split(' ').slice(0, 4).join(' ');
    this.repeats = (this.seen.get(key) ?? 0) + 1;
    this.seen.set(key, this.repeats);
  }

  pieces(colour) {
    const c = colour === 'w' ? 'white' : 'black';
    return [...this.pos.board].filter(([, p]) => p.color === c && p.role !== 'king').map(([, p]) => p.role);
  }

  // Both sides' pieces, pawn 100 to queen 900, kings nothing.
  material() {
    let sum = 0;
    for (const [, p] of this.pos.board) sum += pieceValues[p.role];
    return sum;
  }

  isCheckmate() { return this.pos.isCheckmate(); }
  isStalemate() { return this.pos.isStalemate(); }
  isInsufficientMaterial() { return this.pos.isInsufficientMaterial(); }
  isThreefoldRepetition() { return this.repeats >= 3; }
  isDrawByFiftyMoves() { return this.pos.halfmoves >= 100; }
}

// The end of a game by the rules, or null while it goes on.
export function boardResult(board) {
  const mover = colourName(board.turn());
  const winner = colourName(other(board.turn()));
  if (board.isCheckmate()) {
    return { result: board.turn() === 'w' ? '0-1' : '1-0', reason: `${winner} mates`, termination: 'normal' };
  }
  const draw = (reason) => ({ result: '1/2-1/2', reason, termination: 'normal' });
  if (board.isStalemate()) return draw(`stalemate, ${mover} to move`);
  if (board.isInsufficientMaterial()) return draw('insufficient material');
  if (board.isThreefoldRepetition()) return draw('threefold repetition');
  if (board.isDrawByFiftyMoves()) return draw('fifty-move rule');
  return null;
}

// The agreed simple rule: a side with a lone king, or a king and one
// knight or bishop, cannot mate; anything more can.
export function canMate(board, colour) {
  const pieces = board.pieces(colour);
  return !(pieces.length === 0 || (pieces.length === 1 && (pieces[0] === 'knight' || pieces[0] === 'bishop')));
}

export function flagResult(board, flagged, detail = 'flag fell') {
  const winner = other(flagged);
  const who = `${colourName(flagged)}'s ${detail}`;
  if (!canMate(board, winner)) {
    return { result: '1/2-1/2', reason: `${who}; ${colourName(winner)} cannot mate`, termination: 'time forfeit' };
  }
  return { result: winner === 'w' ? '1-0' : '0-1', reason: who, termination: 'time forfeit' };
}

// A loss for `loser` that is no matter of the board: an illegal move, a
// crash, a resignation.
export function lossFor(loser, reason, termination) {
  return { result: loser === 'w' ? '0-1' : '1-0', reason: `${colourName(loser)} ${reason}`, termination };
}

// The legal move that an engine's text names, or null. Coordinates in the
// board's own notation (e7e8q; castling as the king's step, or in Chess960
// as the king taking its rook) are what both protocols use; SAN is taken
// too, for xboard engines that send it.
export function findMove(board, text) {
  const t = text.trim();
  const moves = board.moves();
  if (/^[a-h][1-8][a-h][1-8][qrbn]?$/.test(t)) return moves.find((m) => m.uci === t) ?? null;
  const move = parseSan(board.pos, t.replace(/^0-0(-0)?/, (s) => s.replace(/0/g, 'O')));
  return move ? moves.find((m) => m.uci === board.uci(move)) ?? null : null;
}

// Openings: "name | SAN moves" a line, # starts a comment. Every move is
// checked here, so a slip in the file stops the match before it starts.
export function readOpenings(path) {
  const openings = [];
  readFileSync(path, 'utf8').split('\n').forEach((raw, i) => {
    const line = raw.replace(/#.*/, '').trim();
    if (!line) return;
    const bar = line.indexOf('|');
    const name = bar < 0 ? '' : line.slice(0, bar).trim();
    const text = bar < 0 ? line : line.slice(bar + 1);
    const board = new Board();
    const sans = [];
    for (const word of text.split(/\s+/).filter((w) => w && !/^\d+\.+$/.test(w))) {
      const m = board.playSan(word.replace(/^\d+\.+/, ''));
      if (!m) throw new Error(`${path}:${i + 1}: "${word}" is no legal move in ${board.fen()}`);
      sans.push(m.san);
    }
    if (sans.length === 0) throw new Error(`${path}:${i + 1}: an opening without moves`);
    openings.push({ name: name || sans.join(' '), sans });
  });
  if (openings.length === 0) throw new Error(`${path}: no openings`);
  return openings;
}

// Chess960 start position number n (0 to 959, 518 the standard one), by
// the usual numbering: the light bishop, the dark bishop, the queen on the
// free squares, the knights by a table of the ten ways, then rook, king, rook.
const knightPairs = [[0, 1], [0, 2], [0, 3], [0, 4], [1, 2], [1, 3], [1, 4], [2, 3], [2, 4], [3, 4]];
export function chess960Rank(n) {
  if (!Number.isInteger(n) || n < 0 || n > 959) throw new Error(`no Chess960 position ${n}`);
  const rank = Array(8).fill(null);
  rank[2 * (n % 4) + 1] = 'B';
  rank[2 * (Math.floor(n / 4) % 4)] = 'B';
  const free = () => rank.flatMap((p, i) => (p ? [] : [i]));
  rank[free()[Math.floor(n / 16) % 6]] = 'Q';
  const [k1, k2] = knightPairs[Math.floor(n / 96)];
  const f = free();
  rank[f[k1]] = 'N';
  rank[f[k2]] = 'N';
  const [r1, k, r2] = free();
  rank[r1] = 'R';
  rank[k] = 'K';
  rank[r2] = 'R';
  return rank.join('');
}

// X-FEN, where KQkq names the only rooks there are, for the PGN; and
// Shredder-FEN, which names the rooks' files, for the engines.
export function chess960Fen(n, form = 'xfen') {
  const rank = chess960Rank(n);
  const files = [...rank].flatMap((p, i) => (p === 'R' ? ['abcdefgh'[i]] : []));
  const rights = form === 'shredder' ? `${files[1].toUpperCase()}${files[0].toUpperCase()}${files[1]}${files[0]}` : 'KQkq';
  return `${rank.toLowerCase()}/pppppppp/8/8/8/8/PPPPPPPP/${rank} w ${rights} - 0 1`;
}
