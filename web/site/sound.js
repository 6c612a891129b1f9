// The page's sounds, made with the Web Audio API rather than kept as files:
// a soft knock for a move, a sharper one for a capture, two rising notes for
// a check and a short chord at the end of the game. Browsers let a page make
// sound only after the player has touched it, so the first click or key
// wakes the audio up.

const NOTES = {
  move: [{ frequency: 330, wave: 'triangle', length: 0.09, volume: 0.5 }],
  capture: [{ frequency: 180, wave: 'square', length: 0.12, volume: 0.25 },
            { frequency: 360, wave: 'triangle', length: 0.08, volume: 0.4, at: 0.03 }],
  check: [{ frequency: 660, wave: 'sine', length: 0.12, volume: 0.35 },
          { frequency: 880, wave: 'sine', length: 0.16, volume: 0.35, at: 0.12 }],
  end: [{ frequency: 523, wave: 'sine', length: 0.7, volume: 0.25 },
        { frequency: 659, wave: 'sine', length: 0.6, volume: 0.25, at: 0.1 },
        { frequency: 784, wave: 'sine', length: 0.5, volume: 0.25, at: 0.2 }],
};

export class Sound {
  constructor(enabled) {
    this.enabled = enabled;
    this.context = null;
    const wake = () => this.wake();
    addEventListener('pointerdown', wake, { capture: true });
    addEventListener('keydown', wake, { capture: true });
  }

  wake() {
    if (!this.enabled || typeof AudioContext !== 'function') return;
    this.context ??= new AudioContext();
    if (this.context.state === 'suspended') this.context.resume().catch(() => {});
  }

  // kind: move, capture, check or end.
  play(kind) {
    if (!this.enabled || !this.context || this.context.state !== 'running') return;
    const now = this.context.currentTime;
    for (const { frequency, wave, length, volume, at = 0 } of NOTES[kind]) {
      const oscillator = new OscillatorNode(this.context, { type: wave, frequency });
      const gain = new GainNode(this.context, { gain: 0 });
      // A quick rise and an exponential fall: a knock, not a beep.
      gain.gain.setValueAtTime(0.0001, now + at);
      gain.gain.exponentialRampToValueAtTime(volume, now + at + 0.005);
      gain.gain.exponentialRampToValueAtTime(0.0001, now + at + length);
      oscillator.connect(gain).connect(this.context.destination);
      oscillator.start(now + at);
      oscillator.stop(now + at + length + 0.02);
    }
  }
}
