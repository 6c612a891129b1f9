// The runner's rules of the game, all asked of chess.js: how a game ends on
// the board, what a fallen flag means, which text names a legal move, and
// the openings file. Nothing here knows about engines or clocks.

import { readFileSync } from 'node:fs';
import { Chess } from 'chess.js';

export const colourName = (c) => (c === 'w' ? 'White' : 'Black');
export const other = (c) => (c === 'w' ? 'b' : 'w');

// The end of a game by the rules, or null while it goes on.
export function boardResult(chess) {
  const mover = colourName(chess.turn());
  const winner = colourName(other(chess.turn()));
  if (chess.isCheckmate()) {
    return { result: chess.turn() === 'w' ? '0-1' : '1-0', reason: `${winner} mates`, termination: 'normal' };
  }
  const draw = (reason) => ({ result: '1/2-1/2', reason, termination: 'normal' });
  if (chess.isStalemate()) return draw(`stalemate, ${mover} to move`);
  if (chess.isInsufficientMaterial()) return draw('insufficient material');
  if (chess.isThreefoldRepetition()) return draw('threefold repetition');
  if (chess.isDrawByFiftyMoves()) return draw('fifty-move rule');
  return null;
}

// The agreed simple rule: a side with a lone king, or a king and one
// knight or bishop, cannot mate; anything more can.
export function canMate(chess, colour) {
  const pieces = chess.board().flat().filter((sq) => sq && sq.color === colour && sq.type !== 'k');
  return !(pieces.length === 0 || (pieces.length === 1 && (pieces[0].type === 'n' || pieces[0].type === 'b')));
}

export function flagResult(chess, flagged, detail = 'flag fell') {
  const winner = other(flagged);
  const who = `${colourName(flagged)}'s ${detail}`;
  if (!canMate(chess, winner)) {
    return { result: '1/2-1/2', reason: `${who}; ${colourName(winner)} cannot mate`, termination: 'time forfeit' };
  }
  return { result: winner === 'w' ? '1-0' : '0-1', reason: who, termination: 'time forfeit' };
}

// A loss for `loser` that is no matter of the board: an illegal move, a
// crash, a resignation.
export function lossFor(loser, reason, termination) {
  return { result: loser === 'w' ? '0-1' : '1-0', reason: `${colourName(loser)} ${reason}`, termination };
}

// The legal move that an engine's text names, or null. Coordinates
// (e2e4, e7e8q, castling as the king's move) are what both protocols use;
// SAN is taken too, for xboard engines that send it.
export function findMove(chess, text) {
  const t = text.trim();
  if (/^[a-h][1-8][a-h][1-8][qrbn]?$/.test(t)) {
    return chess.moves({ verbose: true }).find((m) => m.lan === t) ?? null;
  }
  try {
    const probe = new Chess(chess.fen());
    const m = probe.move(t, { strict: false });
    return chess.moves({ verbose: true }).find((x) => x.lan === m.lan) ?? null;
  } catch {
    return null;
  }
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
    const chess = new Chess();
    const sans = [];
    for (const word of text.split(/\s+/).filter((w) => w && !/^\d+\.+$/.test(w))) {
      let m;
      try {
        m = chess.move(word.replace(/^\d+\.+/, ''), { strict: false });
      } catch {
        throw new Error(`${path}:${i + 1}: "${word}" is no legal move in ${chess.fen()}`);
      }
      sans.push(m.san);
    }
    if (sans.length === 0) throw new Error(`${path}:${i + 1}: an opening without moves`);
    openings.push({ name: name || sans.join(' '), sans });
  });
  if (openings.length === 0) throw new Error(`${path}: no openings`);
  return openings;
}
