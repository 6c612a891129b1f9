// The settings: the side the player takes, the level and the clock of the
// next game, the sound and the analysis, as the selectors show them and as
// the browser remembers them between visits.
import { TIME_CONTROLS } from './clocks.js';
import { recall, remember } from './game.js';
import { DEFAULT_ELO, LEVELS } from './levels.js';

const element = (id) => document.getElementById(id);
const levelKey = (elo) => (elo ? String(elo) : 'full');

export class Settings {
  constructor() {
    const fill = (select, entries, chosen) => {
      select.replaceChildren(...entries.map(({ key, label }) => new Option(label, key, false, key === chosen)));
    };
    const savedLevel = recall('level');
    const level = LEVELS.some(({ elo }) => levelKey(elo) === savedLevel) ? savedLevel : levelKey(DEFAULT_ELO);
    fill(element('level'), LEVELS.map(({ elo, label }) => ({ key: levelKey(elo), label })), level);
    const savedControl = recall('time-control') ?? '';
    fill(element('time-control'), TIME_CONTROLS,
         TIME_CONTROLS.some(({ key }) => key === savedControl) ? savedControl : '');
    if (recall('side') === 'black') element('side').value = 'black';
    element('sound').checked = recall('sound') !== 'off';
    element('analyse').checked = recall('analyse') === 'on';
  }

  // The player's side, w or b.
  get human() {
    return element('side').value === 'black' ? 'b' : 'w';
  }

  get sound() {
    return element('sound').checked;
  }

  get analyse() {
    return element('analyse').checked;
  }

  // What the selectors say, for the next game: {level (an Elo rating, or
  // null for full strength), timeControl}.
  get chosen() {
    const level = element('level').value;
    return { level: level === 'full' ? null : Number(level), timeControl: element('time-control').value };
  }

  // Keeps what the selectors and boxes say for the next visit.
  keep() {
    remember('side', element('side').value);
    remember('level', element('level').value);
    remember('time-control', element('time-control').value);
    remember('sound', this.sound ? 'on' : 'off');
    remember('analyse', this.analyse ? 'on' : 'off');
  }
}
