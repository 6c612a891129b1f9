// The clocks: the time controls the page offers, and a pair of chess clocks
// that run for the side to move, add the increment after each move, show
// themselves on the page and say when a flag falls. Time is measured with
// performance.now(), which a changed system clock does not disturb.

// Minutes for the game and seconds added after each move; '' is untimed.
export const TIME_CONTROLS = [
  { key: '', label: 'Untimed' },
  { key: '1+0', label: '1+0 (bullet)' },
  { key: '3+2', label: '3+2 (blitz)' },
  { key: '5+0', label: '5+0 (blitz)' },
  { key: '10+5', label: '10+5 (rapid)' },
  { key: '15+10', label: '15+10 (rapid)' },
];

// {base, increment} in milliseconds, or null when untimed.
export function timeControl(key) {
  const match = /^(\d+)\+(\d+)$/.exec(key || '');
  return match ? { base: Number(match[1]) * 60000, increment: Number(match[2]) * 1000 } : null;
}

// The control as PGN's TimeControl tag writes it (seconds+seconds), or ''.
export function pgnTimeControl(key) {
  const control = timeControl(key);
  if (!control) return '';
  const seconds = control.base / 1000;
  return control.increment ? `${seconds}+${control.increment / 1000}` : String(seconds);
}

// m:ss, and tenths under ten seconds; never below zero.
export function formatClock(ms) {
  const left = Math.max(0, ms);
  if (left < 10000) return `0:0${(Math.floor(left / 100) / 10).toFixed(1)}`;
  const seconds = Math.ceil(left / 1000);
  return `${Math.floor(seconds / 60)}:${String(seconds % 60).padStart(2, '0')}`;
}

export class Clocks {
  // elements: {w, b}, where each clock shows its time. onFlag(color) is
  // called once when the running clock reaches zero.
  constructor(elements, onFlag) {
    this.elements = elements;
    this.onFlag = onFlag;
    this.control = null;
    this.running = null;
    this.show();
  }

  // A control's key and the time left ({w, b} in milliseconds), or null
  // for a full clock each; the clocks stand still until start().
  set(key, left) {
    this.stop();
    this.control = timeControl(key);
    this.left = this.control ? left ?? { w: this.control.base, b: this.control.base } : null;
    this.show();
  }

  get timed() {
    return this.control !== null;
  }

  // Milliseconds left to `color` now (zero at the least).
  remaining(color) {
    const running = color === this.running ? performance.now() - this.since : 0;
    return Math.max(0, this.left[color] - running);
  }

  // Both clocks' time now, to keep or to send to the engine.
  snapshot() {
    return this.timed ? { w: Math.round(this.remaining('w')), b: Math.round(this.remaining('b')) } : null;
  }

  get increment() {
    return this.control?.increment ?? 0;
  }

  start(color) {
    if (!this.timed || this.running === color) return;
    this.stop();
    this.running = color;
    this.since = performance.now();
    this.tick();
  }

  // Stops the running clock where it stands.
  stop() {
    clearTimeout(this.timer);
    if (this.running) {
      this.left[this.running] = this.remaining(this.running);
      this.running = null;
    }
    this.show();
  }

  // `color` has moved: its clock stops, with the increment, and the other's
  // starts. False when its flag had fallen first.
  moved(color) {
    if (!this.timed) return true;
    if (this.remaining(color) <= 0) return false;
    this.stop();
    this.left[color] += this.increment;
    this.start(color === 'w' ? 'b' : 'w');
    return true;
  }

  // Shows the time and wakes up for the next change of the running clock's
  // figures, or its flag.
  tick() {
    this.show();
    const color = this.running;
    const left = this.remaining(color);
    if (left <= 0) {
      this.stop();
      this.onFlag(color);
      return;
    }
    const step = left <= 10000 ? left % 100 : left % 1000;
    this.timer = setTimeout(() => this.tick(), (step || (left <= 10000 ? 100 : 1000)) + 1);
  }

  show() {
    for (const color of ['w', 'b']) {
      const element = this.elements[color];
      element.hidden = !this.timed;
      if (!this.timed) continue;
      const left = this.remaining(color);
      element.textContent = formatClock(left);
      element.classList.toggle('running', color === this.running);
      element.classList.toggle('low', left < 10000);
    }
  }
}
