// What the panel lists: the moves of the game, each a button that shows the
// position after it (with the review's judgement of it, when there is one),
// and the engine's lines with their scores for White, in SAN.
import { Chess } from './lib/chess.js/dist/esm/chess.js';
import { uciMove } from './game.js';
import { forWhite, judgementNamed, scoreText } from './judgement.js';

const span = (className, textContent) => Object.assign(document.createElement('span'), { className, textContent });

// "12… Nf6" for a move (chess.js's, verbose).
export function moveText(move) {
  const number = Number(move.before.split(' ')[5]);
  return `${number}${move.color === 'w' ? '.' : '…'} ${move.san}`;
}

// One list item per move number, with White's move and Black's, numbered by
// the list itself from `firstNumber`. Each move carries its ply (1 for
// White's first) and, once reviewed (`reviewed`, the review's findings from
// the first move), its judgement and glyph and the move that was best. The
// one at `shown` is marked, and the list scrolls to it (to its end when
// `atEnd`) without moving the page.
export function listMoves(list, history, firstNumber, shown, atEnd, reviewed = []) {
  list.start = firstNumber;
  const items = [];
  let item = null;
  history.forEach((move, i) => {
    if (move.color === 'w' || i === 0) {
      item = document.createElement('li');
      items.push(item);
      if (move.color === 'b') item.append(span('gap', '…'), ' ');
    }
    const button = document.createElement('button');
    button.type = 'button';
    button.className = i + 1 === shown ? 'san shown' : 'san';
    button.dataset.ply = String(i + 1);
    button.textContent = move.san;
    if (reviewed[i]) {
      const judgement = judgementNamed(reviewed[i].judgement);
      button.dataset.judgement = judgement?.name ?? '';
      if (judgement) {
        button.dataset.best = reviewed[i].bestSan;
        button.title = `${judgement.word}: ${reviewed[i].bestSan} was best`;
        button.append(span(`glyph ${judgement.name}`, judgement.glyph));
      }
    }
    item.append(button, ' ');
  });
  list.replaceChildren(...items);
  const current = list.querySelector('.shown')?.parentElement;
  if (atEnd || !current) list.scrollTop = list.scrollHeight;
  else if (current.offsetTop < list.scrollTop) list.scrollTop = current.offsetTop;
  else if (current.offsetTop + current.offsetHeight > list.scrollTop + list.clientHeight) {
    list.scrollTop = current.offsetTop + current.offsetHeight - list.clientHeight;
  }
}

// One line of the engine's as a list item (.line, with its multipv and
// depth): the depth, the score for White in pawns (or #N for a mate) and
// the line from `fen` in SAN; with `tryable`, its first move a button that
// tries it on the board.
export function lineItem({ depth, multipv, score, pv }, fen, tryable = false) {
  const item = document.createElement('li');
  item.className = 'line';
  item.dataset.multipv = String(multipv);
  item.dataset.depth = String(depth);
  const moves = span('pv', '');
  sanLine(fen, pv).forEach(({ text, uci }, i) => {
    if (i === 0 && tryable) {
      const button = Object.assign(document.createElement('button'), { type: 'button', className: 'try', textContent: text });
      button.dataset.try = uci;
      button.title = 'Try this move on the board';
      moves.append(button);
    } else {
      moves.append(`${i ? ' ' : ''}${text}`);
    }
  });
  item.append(span('depth', depth), span('score', scoreText(forWhite(score, fen.split(' ')[1]))), moves);
  return item;
}

// The engine's line, given as UCI moves from `fen`, in SAN with move
// numbers: [{text, uci}].
export function sanLine(fen, uciMoves) {
  const position = new Chess(fen);
  const moves = [];
  for (const uci of uciMoves) {
    const number = position.moveNumber();
    const white = position.turn() === 'w';
    let move;
    try {
      move = position.move(uciMove(uci));
    } catch {
      break;
    }
    moves.push({ uci, text: white ? `${number}. ${move.san}` : moves.length ? move.san : `${number}… ${move.san}` });
  }
  return moves;
}
