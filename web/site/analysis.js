// The analysis of the position shown: the engine's three best lines in
// #lines, deepening until the position changes or the analysis is turned
// off, the best move for the board's arrow and White's chance for the
// evaluation bar. It has an engine of its own; a new position stops the old
// search (its worker is ended and a fresh one, from the module compiled
// once, takes the new position within milliseconds).
import { Engine } from './engine.js';
import { whiteChance } from './judgement.js';
import { lineItem } from './panel.js';

const LINES = 3;
const OPTIONS = { MultiPV: LINES, UCI_ShowWDL: true };

export class Analysis {
  // list: where the lines go; onTry(uci): a line's first move was clicked;
  // onChange(): the best move or the chance changed.
  constructor({ list, onTry, onChange }) {
    Object.assign(this, { list, onChange });
    this.engine = null;  // made when first wanted
    this.position = null;
    this.search = null;
    this.lines = [];
    this.chances = [];
    list.addEventListener('click', (event) => {
      const move = event.target.closest('[data-try]');
      if (move && this.position) onTry(move.dataset.try);
    });
  }

  get on() {
    return this.position !== null;
  }

  // The first move of the best line, for the position analysed, or null.
  get best() {
    return this.lines[0]?.pv[0] ?? null;
  }

  // White's chance from 0 to 1: the mean of the best line's at the last two
  // depths, as the engine's scores swing from one depth to the next (the
  // mobility counted is the mover's), or a mate's; null before the first line.
  get chance() {
    const last = this.chances.slice(-2);
    if (this.lines[0]?.score.mate !== undefined) return last.at(-1);
    return last.length ? last.reduce((sum, chance) => sum + chance, 0) / last.length : null;
  }

  // Analyses `position` ({key, start, moves, fen, turn}) unless it already
  // does; null stops the analysis.
  follow(position) {
    if (position?.key === this.position?.key) return;
    this.search?.stop();
    this.search = null;
    this.position = position;
    this.lines = [];
    this.chances = [];
    this.failure = null;
    if (position) {
      this.engine ??= new Engine({ onFailure: (why) => this.failed(why) });
      const asked = performance.now();
      this.search = this.engine.search({
        start: position.start,
        moves: position.moves,
        options: OPTIONS,
        go: 'go infinite',
        onInfo: (info) => {
          if (!this.lines.length) this.list.dataset.firstLineMs = String(Math.round(performance.now() - asked));
          this.heard(info);
        },
        onFailure: (why) => this.failed(why),
      });
    }
    this.draw();
    this.onChange();
  }

  heard(info) {
    const first = info.multipv === 1;
    this.lines[info.multipv - 1] = info;
    // A deeper best line makes the others of the depth before it stale.
    if (first) this.lines.length = 1;
    if (first) this.chances.push(whiteChance(info.score, info.wdl, this.position.turn));
    this.draw();
    if (first) this.onChange();
  }

  failed(why) {
    this.failure = why;
    this.search = null;
    this.draw();
  }

  draw() {
    const { position, list } = this;
    if (!position) return;
    list.dataset.fen = position.fen;
    if (this.failure) {
      const item = document.createElement('li');
      item.className = 'error';
      item.textContent = `The analysis stopped: ${this.failure}.`;
      list.replaceChildren(item);
      return;
    }
    // A mated or stalemated position has a score but no line.
    const lines = this.lines.filter((info) => info?.pv.length);
    list.replaceChildren(...lines.map((info) => lineItem(info, position.fen, true)));
  }
}
