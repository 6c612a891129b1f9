// The page's input: what each button, selector, box and key does, as calls
// on the controller (controller.js).
import { pgnTimeControl } from './clocks.js';
import { gameFromText } from './game.js';
import { gamePgn } from './pgn.js';
import { BUDGET } from './review.js';

const element = (id) => document.getElementById(id);
const RESIGN_AGAIN = 'Click Resign again to resign.';

// Onto the clipboard; where the browser allows none (a page not served
// over https or from this machine), into the text box to copy by hand.
async function copy(page, text, what) {
  try {
    await navigator.clipboard.writeText(text);
    page.say(`${what} is copied.`);
  } catch {
    const box = element('load-text');
    box.value = text;
    box.select();
    page.say(`${what} is in the box below: copy it from there.`);
  }
}

const pgn = (page) => gamePgn(page.game, page.view.names(), pgnTimeControl(page.game.settings.timeControl));

function downloadPgn(page) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([pgn(page)], { type: 'application/x-chess-pgn' }));
  link.download = `quorlix-${page.game.date.replaceAll('.', '-')}.pgn`;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
}

function link(page) {
  const fragment = page.game.fragment();
  return `${location.origin}${location.pathname}${fragment ? `#${fragment}` : ''}`;
}

// A new level or time control: for this game while no move has been
// played, otherwise from the next one.
function settingsChanged(page) {
  page.settings.keep();
  if (page.game.history().length === 0 && !page.game.outcome()) {
    page.stopThinking();
    page.game.settings = page.settings.chosen;
    page.clocks.set(page.game.settings.timeControl, null);
    page.gameChanged();
  } else {
    page.say('The new setting applies from the next game (New game).');
  }
}

function load(page) {
  let loaded;
  try {
    loaded = gameFromText(element('load-text').value);
  } catch (error) {
    page.say(`Nothing was loaded: ${error.message}. The game goes on as it was.`);
    return;
  }
  page.begin(loaded);
  page.notice = 'The game is loaded.';
  page.gameChanged();
}

// Undoes plies back to the player's previous move, so that it is the
// player's turn again; while the engine thinks, that is only the player's
// last move.
function undo(page) {
  page.review.cancel();  // what it found of the moves that stay is kept
  page.stopThinking();
  page.notice = null;
  while (page.game.history().length) {
    if (page.game.undo().color === page.human) break;
  }
  page.gameChanged();
}

// A second click within a few seconds resigns: one slip of a finger does not.
function resign(page) {
  clearTimeout(page.disarm);
  if (!page.resignArmed) {
    page.disarm = setTimeout(() => page.say(page.notice === RESIGN_AGAIN ? null : page.notice, false), 4000);
    page.say(RESIGN_AGAIN, true);
    return;
  }
  page.resignArmed = false;
  page.notice = null;
  page.stopThinking();
  page.game.resign(page.human);
  page.ended();
}

export function listen(page) {
  const on = (id, what, handler) => element(id).addEventListener(what, handler);
  on('new-game', 'click', () => {
    page.begin({});
    page.notice = null;
    page.board.setOrientation(page.human);
    page.gameChanged();
  });
  on('undo', 'click', () => undo(page));
  on('resign', 'click', () => resign(page));
  on('hint', 'click', () => page.hint.take());
  on('flip', 'click', () => {
    page.board.flip();
    page.view.draw();
  });
  on('side', 'change', () => {
    page.settings.keep();
    page.human = page.settings.human;
    // The engine takes over the other side where the game stands.
    page.stopThinking();
    page.board.setOrientation(page.human);
    page.save();
    page.refresh();
  });
  on('level', 'change', () => settingsChanged(page));
  on('time-control', 'change', () => settingsChanged(page));
  on('sound', 'change', () => {
    page.settings.keep();
    page.sound.enabled = page.settings.sound;
    page.sound.wake();
  });
  on('analyse', 'change', () => {
    page.settings.keep();
    if (!page.settings.analyse) element('lines').replaceChildren();
    page.refresh(false);
  });
  on('review', 'click', () => {
    if (!page.engine || !page.game.history().length) return;
    page.review.start(page.game);
    page.say(`Reviewing the game (${BUDGET})…`);
  });
  on('review-cancel', 'click', () => {
    page.review.cancel();
    page.say('The review is cancelled; the moves it reached keep their marks.');
  });
  on('eval-graph', 'click', (event) => {
    const ply = event.target.closest('[data-ply]')?.dataset.ply;
    if (ply) page.showPly(Number(ply));
  });
  on('copy-pgn', 'click', () => copy(page, pgn(page), 'The PGN'));
  on('download-pgn', 'click', () => downloadPgn(page));
  on('copy-fen', 'click', () => copy(page, page.shown.position(page.game).fen, 'The FEN'));
  on('copy-link', 'click', () => copy(page, link(page), 'The link'));
  on('load', 'click', () => load(page));
  on('moves', 'click', (event) => {
    const ply = event.target.closest('[data-ply]')?.dataset.ply;
    if (ply) page.showPly(Number(ply));
  });
  on('step-back', 'click', () => page.step(-1));
  on('step-forward', 'click', () => page.step(1));
  on('to-end', 'click', () => page.showPly(Infinity));
  // A touch of the board while it shows another position brings back the game.
  element('board').addEventListener('pointerdown', () => !page.shown.atGame && page.showPly(Infinity), { capture: true });
  document.addEventListener('keydown', (event) => {
    if (event.target.closest('input, textarea, select') || event.altKey || event.ctrlKey || event.metaKey) return;
    const steps = { ArrowLeft: () => page.step(-1), ArrowRight: () => page.step(1),
                    Home: () => page.showPly(0), End: () => page.showPly(Infinity) };
    if (!steps[event.key]) return;
    event.preventDefault();
    steps[event.key]();
  });
  addEventListener('hashchange', () => page.openLink() && page.gameChanged());
  // The clocks as they stand when the page is left: a reload finds them so.
  addEventListener('pagehide', () => page.save());
  document.addEventListener('visibilitychange', () => document.hidden && page.save());
}
