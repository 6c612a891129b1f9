// What the panel lists: the moves of the game, each a button that shows the
// position after it, and the lines of the engine's search with their
// scores, in SAN.
import { Chess } from './lib/chess.js/dist/esm/chess.js';
import { uciMove } from './game.js';

const span = (className, textContent) => Object.assign(document.createElement('span'), { className, textContent });

// "12… Nf6" for a move (chess.js's, verbose).
export function moveText(move) {
  const number = Number(move.before.split(' ')[5]);
  return `${number}${move.color === 'w' ? '.' : '…'} ${move.san}`;
}

// One list item per move number, with White's move and Black's, numbered by
// the list itself from `firstNumber`. Each move carries its ply (1 for
// White's first); the one at `shown` is marked, and the list scrolls to it
// (to its end when `atEnd`) without moving the page.
export function listMoves(list, history, firstNumber, shown, atEnd) {
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

// One line of the engine's search as a list item: depth, score for White in
// pawns (or the mate it sees), and the line it expects from `fen`, in SAN.
export function searchLine({ depth, score, pv }, fen) {
  let shown;
  if (score.mate !== undefined) {
    shown = score.mate > 0 ? `Quorlix mates in ${score.mate}` : `Quorlix is mated in ${-score.mate}`;
  } else {
    const pawns = ((fen.split(' ')[1] === 'w' ? 1 : -1) * score.cp) / 100;
    shown = `${pawns > 0 ? '+' : pawns < 0 ? '−' : ''}${Math.abs(pawns).toFixed(2)}`;
  }
  const item = document.createElement('li');
  item.append(span('depth', depth), span('score', shown), span('pv', sanLine(fen, pv)));
  return item;
}

// The engine's expected line, given as UCI moves from `fen`, in SAN with
// move numbers.
function sanLine(fen, uciMoves) {
  const position = new Chess(fen);
  const text = [];
  for (const uci of uciMoves) {
    const number = position.moveNumber();
    const white = position.turn() === 'w';
    let move;
    try {
      move = position.move(uciMove(uci));
    } catch {
      break;
    }
    text.push(white ? `${number}. ${move.san}` : text.length ? move.san : `${number}… ${move.san}`);
  }
  return text.join(' ');
}
