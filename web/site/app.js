// The page: a game of chess against Quorlix. chess.js keeps the game (the
// rules, SAN, how it ends), cm-chessboard shows it and takes the player's
// moves, and the engine runs in a Web Worker (worker.js) that speaks UCI:
// before each of its moves it gets the whole game as "position ... moves ..."
// and "go", and answers with "info" lines and "bestmove".
import { Chess, validateFen } from './lib/chess.js/dist/esm/chess.js';
import { BORDER_TYPE, Chessboard, COLOR, FEN, INPUT_EVENT_TYPE } from './lib/cm-chessboard/src/Chessboard.js';
import { Markers, MARKER_TYPE } from './lib/cm-chessboard/src/extensions/markers/Markers.js';
import {
  PromotionDialog,
  PROMOTION_DIALOG_RESULT_TYPE,
} from './lib/cm-chessboard/src/extensions/promotion-dialog/PromotionDialog.js';

const GO = 'go';  // to the engine's own depth (7 plies, 8 in check): its own moves
const START_TIMEOUT_MS = 20000;
const SILENCE_TIMEOUT_MS = 60000;  // a depth-7 search prints a line well within this

const element = (id) => document.getElementById(id);
const colorName = { w: 'White', b: 'Black' };

// ---- The engine ----------------------------------------------------------------

// The engine in its worker. A search cannot be interrupted from outside (the
// worker is busy in it), so abandoning one means starting a new worker.
class Engine {
  constructor(onLine, onFailure) {
    this.onLine = onLine;
    this.onFailure = onFailure;
    this.start();
  }

  start() {
    const worker = new Worker('worker.js', { type: 'module' });
    this.worker = worker;
    worker.onmessage = ({ data }) => {
      if (worker !== this.worker) return;
      if (data.error) this.fail(data.error);
      else if (data.line !== undefined) {
        this.expectLine(SILENCE_TIMEOUT_MS, 'the engine has not answered for a minute');
        this.onLine(data.line);
      }
    };
    worker.onerror = (event) => {
      event.preventDefault();
      if (worker === this.worker) {
        this.fail(`the engine's worker (worker.js) could not be loaded or run${event.message ? ` (${event.message})` : ''}`);
      }
    };
    // The worker keeps these until the module has loaded.
    this.send('uci');
    this.send('isready');
    this.expectLine(START_TIMEOUT_MS, 'the engine did not start within 20 seconds');
  }

  send(line) {
    this.worker.postMessage(line);
  }

  restart() {
    clearTimeout(this.timer);
    this.worker.terminate();
    this.start();
  }

  // Reports a failure unless a line comes within `ms`.
  expectLine(ms, why) {
    clearTimeout(this.timer);
    this.timer = setTimeout(() => this.fail(why), ms);
  }

  quiet() {
    clearTimeout(this.timer);
  }

  fail(why) {
    clearTimeout(this.timer);
    this.onFailure(why);
  }
}

// ---- The game --------------------------------------------------------------------

let startFen = FEN.start;
let game = new Chess();
let human = 'w';
let engine = null;
let thinking = false;
let failure = null;  // what went wrong, in words for the status line
let catchingUp = false;  // the board is still showing the last change
let linkProblem = null;  // a #fen= link that names no position, in words

const board = new Chessboard(element('board'), {
  position: FEN.start,
  assetsUrl: 'lib/cm-chessboard/assets/',
  style: { borderType: BORDER_TYPE.frame, animationDuration: 200 },
  extensions: [{ class: Markers, props: { autoMarkers: MARKER_TYPE.frame } }, { class: PromotionDialog }],
});

function engineColor() {
  return human === 'w' ? 'b' : 'w';
}

// Shows the game as it stands and, once the board has caught up (its
// animations done, the player's last move input finished), goes on with it.
function update() {
  board.disableMoveInput();
  catchingUp = true;
  show();
  board.setPosition(game.fen(), true).then(next);
}

// The next step of the game: the player's input or the engine's move.
function next() {
  board.disableMoveInput();
  catchingUp = false;
  show();
  if (failure || game.isGameOver() || thinking) return;
  if (game.turn() === human) {
    board.enableMoveInput(onInput, human === 'w' ? COLOR.white : COLOR.black);
  } else if (engine) {
    askEngine();
  }
}

function askEngine() {
  thinking = true;
  const moves = game.history({ verbose: true }).map((move) => move.lan);
  const position = startFen === FEN.start ? 'startpos' : `fen ${startFen}`;
  element('lines').replaceChildren();
  engine.send(`position ${position}${moves.length ? ` moves ${moves.join(' ')}` : ''}`);
  engine.send(GO);
  engine.expectLine(SILENCE_TIMEOUT_MS, 'the engine has not answered for a minute');
  show();
}

function onEngineLine(line) {
  const words = line.split(' ');
  if (words[0] === 'readyok') {
    if (!thinking) engine.quiet();
  } else if (words[0] === 'info' && thinking && words.includes('pv')) {
    showSearchLine(words);
  } else if (words[0] === 'bestmove' && thinking) {
    engine.quiet();
    thinking = false;
    const uci = words[1];
    let move = null;
    try {
      move = game.move({ from: uci.slice(0, 2), to: uci.slice(2, 4), promotion: uci[4] });
    } catch {
      failure = `the engine answered with a move that is not legal here (${uci})`;
    }
    if (move && !performance.getEntriesByName('first-engine-move').length) {
      performance.mark('first-engine-move');
    }
    update();
  }
}

function onEngineFailure(why) {
  thinking = false;
  failure = why;
  next();
}

// Undoes plies back to the player's previous move, so that it is the
// player's turn again; while the engine thinks, that is only the player's
// last move.
function undo() {
  if (thinking || failure) restartEngine();
  while (game.history().length) {
    const move = game.undo();
    if (move.color === human) break;
  }
  update();
}

function restartEngine() {
  if (!engine) return;  // this browser cannot run it at all
  failure = null;
  thinking = false;
  engine.restart();
}

function newGame() {
  if (thinking || failure) restartEngine();
  game = new Chess(startFen);
  element('lines').replaceChildren();
  board.setOrientation(human === 'w' ? COLOR.white : COLOR.black);
  update();
}

// A link to the page may end in #fen=... to start from that position; one
// that names no position is said so in the status line.
function startFromLink() {
  const match = /^#fen=(.+)$/.exec(location.hash);
  startFen = FEN.start;
  linkProblem = null;
  if (match) {
    const fen = decodeURIComponent(match[1]).replaceAll('_', ' ');
    const check = validateFen(fen);
    if (check.ok) startFen = fen;
    else linkProblem = `The link's position is not a valid FEN (${check.error}), so the game starts from the usual position.`;
  }
}

// ---- The player's moves ------------------------------------------------------

function onInput(event) {
  switch (event.type) {
    case INPUT_EVENT_TYPE.moveInputStarted: {
      const moves = game.moves({ square: event.squareFrom, verbose: true });
      board.addLegalMovesMarkers(moves);
      return moves.length > 0;
    }
    case INPUT_EVENT_TYPE.validateMoveInput: {
      board.removeLegalMovesMarkers();
      const move = game
        .moves({ square: event.squareFrom, verbose: true })
        .find((candidate) => candidate.to === event.squareTo);
      if (!move) return false;
      if (move.promotion) {
        const asked = game.fen();
        board.showPromotionDialog(event.squareTo, human === 'w' ? COLOR.white : COLOR.black, (result) => {
          if (game.fen() !== asked) return;  // Undo or New game came first
          if (result.type === PROMOTION_DIALOG_RESULT_TYPE.pieceSelected) {
            playerMove({ from: move.from, to: move.to, promotion: result.piece.charAt(1) });
          } else {
            board.setPosition(game.fen(), true);  // the pawn goes back
          }
        });
      } else {
        // After the board has finished its own move, so that castling and
        // en passant show the rook's move and the taken pawn.
        setTimeout(() => playerMove(move));
      }
      return true;
    }
    case INPUT_EVENT_TYPE.moveInputCanceled:
      board.removeLegalMovesMarkers();
      break;
  }
  return undefined;
}

function playerMove(move) {
  game.move(move);
  update();
}

// ---- What the page shows -------------------------------------------------------

function show() {
  showMarkers();
  showMoves();
  showStatus();
  element('undo').disabled = !game.history({ verbose: true }).some((move) => move.color === human);
}

function showMarkers() {
  board.removeMarkers(MARKER_TYPE.square);
  board.removeMarkers(MARKER_TYPE.circleDangerFilled);
  const last = game.history({ verbose: true }).at(-1);
  if (last) {
    board.addMarker(MARKER_TYPE.square, last.from);
    board.addMarker(MARKER_TYPE.square, last.to);
  }
  if (game.inCheck()) {
    board.addMarker(MARKER_TYPE.circleDangerFilled, game.findPiece({ type: 'k', color: game.turn() })[0]);
  }
}

// One list item per move number, White's move and Black's; numbered by the
// list itself from the start position's move number.
function showMoves() {
  const list = element('moves');
  const start = new Chess(startFen);
  list.start = start.moveNumber();
  const items = [];
  let item = null;
  const add = (text, className) => {
    const span = document.createElement('span');
    span.className = className;
    span.textContent = text;
    item.append(span, ' ');
  };
  const history = game.history({ verbose: true });
  history.forEach((move, i) => {
    if (move.color === 'w' || i === 0) {
      item = document.createElement('li');
      items.push(item);
      if (move.color === 'b') add('…', 'gap');
    }
    add(move.san, 'san');
  });
  list.replaceChildren(...items);
  list.scrollTop = list.scrollHeight;
}

function result() {
  if (game.isCheckmate()) {
    const winner = game.turn() === 'w' ? 'b' : 'w';
    return `Checkmate: ${colorName[winner]} wins (${winner === 'w' ? '1-0' : '0-1'}).`;
  }
  if (game.isStalemate()) return 'Draw by stalemate (½-½).';
  if (game.isThreefoldRepetition()) return 'Draw by threefold repetition (½-½).';
  if (game.isDrawByFiftyMoves()) return 'Draw by the fifty-move rule (½-½).';
  if (game.isInsufficientMaterial()) return 'Draw: neither side has the material to mate (½-½).';
  return null;
}

function showStatus() {
  const status = element('status');
  const over = result();
  let text;
  let state = '';
  if (failure) {
    text = `Something went wrong: ${failure}.${engine ? ' New game starts the engine again.' : ''}`;
    state = 'error';
  } else if (over) {
    text = over;
    state = 'over';
  } else if (thinking) {
    text = `Quorlix (${colorName[engineColor()]}) is thinking…`;
    state = 'thinking';
  } else {
    text = game.inCheck() ? 'Your move: you are in check.' : 'Your move.';
    // Said until the first move, then the game speaks for itself.
    if (linkProblem && game.history().length === 0) text = `${linkProblem} ${text}`;
  }
  // Busy while the engine thinks or the board moves: the player's clicks
  // count again when it is false.
  element('board').setAttribute('aria-busy', String(thinking || catchingUp));
  if (catchingUp && !state) return;  // "Your move" only once the board takes it
  status.textContent = text;
  status.className = state;
}

// One line of the engine's search: depth, score for White in pawns (or the
// mate it sees), and the line it expects, in SAN.
function showSearchLine(words) {
  const field = (name) => words[words.indexOf(name) + 1];
  const sign = engineColor() === 'w' ? 1 : -1;
  let score;
  if (words.includes('mate')) {
    const mate = Number(field('mate'));
    score = mate > 0 ? `Quorlix mates in ${mate}` : `Quorlix is mated in ${-mate}`;
  } else {
    const pawns = (sign * Number(field('cp'))) / 100;
    score = `${pawns > 0 ? '+' : pawns < 0 ? '−' : ''}${Math.abs(pawns).toFixed(2)}`;
  }
  const item = document.createElement('li');
  for (const [className, text] of [
    ['depth', field('depth')],
    ['score', score],
    ['pv', sanLine(words.slice(words.indexOf('pv') + 1))],
  ]) {
    const span = document.createElement('span');
    span.className = className;
    span.textContent = text;
    item.append(span);
  }
  element('lines').append(item);
}

function sanLine(uciMoves) {
  const position = new Chess(game.fen());
  const text = [];
  for (const uci of uciMoves) {
    const number = position.moveNumber();
    const white = position.turn() === 'w';
    let move;
    try {
      move = position.move({ from: uci.slice(0, 2), to: uci.slice(2, 4), promotion: uci[4] });
    } catch {
      break;
    }
    text.push(white ? `${number}. ${move.san}` : text.length ? move.san : `${number}… ${move.san}`);
  }
  return text.join(' ');
}

// The side chosen last time, kept by the browser; a browser that keeps
// nothing (private windows, storage turned off) just starts with White.
function remember(key, value) {
  try {
    localStorage.setItem(`quorlix-${key}`, value);
  } catch {}
}

function recall(key) {
  try {
    return localStorage.getItem(`quorlix-${key}`);
  } catch {
    return null;
  }
}

// ---- Start -----------------------------------------------------------------------

element('new-game').addEventListener('click', newGame);
element('undo').addEventListener('click', undo);
element('flip').addEventListener('click', () => {
  board.setOrientation(board.getOrientation() === COLOR.white ? COLOR.black : COLOR.white, true);
});
element('side').addEventListener('change', (event) => {
  human = event.target.value === 'black' ? 'b' : 'w';
  remember('side', event.target.value);
  // The engine takes over the other side where the game stands.
  if (thinking) restartEngine();
  board.setOrientation(human === 'w' ? COLOR.white : COLOR.black);
  next();
});
window.addEventListener('hashchange', () => {
  startFromLink();
  newGame();
});

document.documentElement.dataset.started = 'yes';
if (recall('side') === 'black') element('side').value = 'black';
human = element('side').value === 'black' ? 'b' : 'w';
startFromLink();
game = new Chess(startFen);
board.setOrientation(human === 'w' ? COLOR.white : COLOR.black);
board.setPosition(game.fen());
if (typeof WebAssembly !== 'object' || typeof Worker !== 'function') {
  failure = 'this browser cannot run the engine (it needs WebAssembly and Web Workers; any current browser has both)';
} else {
  engine = new Engine(onEngineLine, onEngineFailure);
}
next();
