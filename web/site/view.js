// The view: draws the panel and what stands around the board from the
// controller's state (controller.js), never the other way round: the moves
// (with the review's marks), the status line, the players' names, which
// buttons apply, what the board shows when it is not the game's position,
// the opening's name, the evaluation bar and the review.
import { colorName, engineName, other } from './game.js';
import { evaluations } from './judgement.js';
import { openingOf } from './openings.js';
import { listMoves, moveText, sanLine } from './panel.js';
import { drawReview } from './review_view.js';

const element = (id) => document.getElementById(id);

export class View {
  constructor(page) {
    this.page = page;
    this.openingAsked = 0;
  }

  // The players' names, {w, b}, the player's being `player`.
  names(player = 'Player') {
    const { game, human } = this.page;
    const quorlix = engineName(game.settings.level);
    return human === 'w' ? { w: player, b: quorlix } : { w: quorlix, b: player };
  }

  draw() {
    const { page } = this;
    const { game } = page;
    const history = game.history();
    const { viewing, variation, atGame } = page.shown;
    const shown = page.shown.ply(game);
    const firstNumber = Number(game.start.split(' ')[5]) || 1;
    const reviewed = game.reviewedMoves();
    listMoves(element('moves'), history, firstNumber, variation.length ? -1 : shown,
              viewing === null && !variation.length, reviewed);
    this.drawStatus();
    const names = this.names('You');
    element('name-white').textContent = names.w;
    element('name-black').textContent = names.b;
    element('play').classList.toggle('flipped', page.board.orientation() === 'b');
    element('undo').disabled = Boolean(game.ending) || !history.some((move) => move.color === page.human);
    element('resign').disabled = Boolean(game.outcome());
    element('resign').classList.toggle('armed', page.resignArmed);
    element('resign').textContent = page.resignArmed ? 'Sure? Resign' : 'Resign';
    element('hint').disabled = !page.hint.available;
    element('step-back').disabled = shown === 0 && !variation.length;
    element('step-forward').disabled = shown === history.length || variation.length > 0;
    element('review').disabled = !history.length || page.review.running;
    element('review-cancel').hidden = !page.review.running;
    const progress = element('review-progress');
    progress.hidden = !page.review.running;
    progress.max = page.review.total;
    progress.value = page.review.done;
    document.body.classList.toggle('looking-back', !atGame);
    element('view-note').textContent = this.note(shown);
    drawReview(game, variation.length ? -1 : shown);
    this.drawEvalBar();
  }

  note(shown) {
    const { game, shown: { viewing, variation } } = this.page;
    const history = game.history();
    const where = shown === 0 ? 'the start' : `after ${moveText(history[shown - 1])}`;
    if (variation.length) {
      const line = sanLine(game.positionAt(shown).chess.fen(), variation).map(({ text }) => text).join(' ');
      return `A variation, not the game: ${line}, from ${where}.`;
    }
    return viewing === null ? '' : `An earlier position: ${where}.`;
  }

  drawStatus() {
    const { page } = this;
    const status = element('status');
    const over = page.game.outcome();
    let text;
    let state = '';
    const thinking = Boolean(page.thinking);
    if (page.failure) {
      text = `Something went wrong: ${page.failure}. New game starts the engine again.`;
      state = 'error';
    } else if (over) {
      text = over.text;
      state = 'over';
    } else if (thinking) {
      text = `Quorlix (${colorName[other(page.human)]}) is thinking…`;
      state = 'thinking';
    } else {
      text = page.game.chess.inCheck() ? 'Your move: you are in check.' : 'Your move.';
    }
    if (page.notice && !page.failure) text = `${page.notice} ${text}`;
    // Busy while the engine thinks or the board moves: the player's clicks
    // count again when it is false.
    element('board').setAttribute('aria-busy', String(thinking || page.catchingUp));
    if (page.catchingUp && !state && !page.notice) return;  // "Your move" only once the board takes it
    status.textContent = text;
    status.className = state;
  }

  // White's chance for the position shown: the analysis's while it has a
  // line for it, else the review's, else none.
  drawEvalBar() {
    const { page } = this;
    let chance = page.analysis.on ? page.analysis.chance : null;
    const shown = page.shown.ply(page.game);
    if (chance === null && !page.shown.variation.length) chance = evaluations(page.game)[shown]?.chance ?? null;
    const bar = element('eval-bar');
    if (chance === null) {
      delete bar.dataset.white;
      bar.style.setProperty('--white', '0.5');
      bar.title = 'No evaluation of this position yet';
      return;
    }
    bar.dataset.white = chance.toFixed(3);
    bar.style.setProperty('--white', String(chance));
    bar.title = `White's chance: ${Math.round(chance * 100)}%`;
  }

  // The opening's name of the position shown; the table is fetched the
  // first time a position with moves is shown.
  async drawOpening(fens) {
    const asked = ++this.openingAsked;
    const shown = element('opening');
    try {
      const opening = await openingOf(fens);
      if (asked !== this.openingAsked) return;
      shown.textContent = opening ? `${opening.eco} ${opening.name}` : '';
      shown.dataset.eco = opening?.eco ?? '';
    } catch (error) {
      if (asked === this.openingAsked) shown.textContent = `(No opening names: ${error.message}.)`;
    }
  }
}
