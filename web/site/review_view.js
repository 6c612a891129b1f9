// What the page shows of a game's review: each side's accuracy and counts
// of inaccuracies, mistakes and blunders (#review-summary), the graph of
// the evaluation over the game from White's view (#eval-graph, each point a
// position to show), and a word on the move shown when it was judged.
import { evaluations, judgementNamed, scoreText, summary, winningChances } from './judgement.js';
import { moveText } from './panel.js';

const SVG = 'http://www.w3.org/2000/svg';
const WIDTH = 400;   // the graph's width, whatever the game's length
const HEIGHT = 100;  // and its height, White's win at the top
const svg = (name, attributes) => {
  const node = document.createElementNS(SVG, name);
  for (const [key, value] of Object.entries(attributes)) node.setAttribute(key, value);
  return node;
};

function drawSummary(element, reviewed) {
  const sides = summary(reviewed);
  const plural = (count, one, many) => `${count} ${count === 1 ? one : many}`;
  element.replaceChildren(...Object.entries(sides).map(([side, counts]) => {
    const row = document.createElement('p');
    row.dataset.side = side;
    row.dataset.inaccuracies = String(counts.inaccuracies);
    row.dataset.mistakes = String(counts.mistakes);
    row.dataset.blunders = String(counts.blunders);
    const accuracy = counts.accuracy === null ? '' : counts.accuracy.toFixed(1);
    row.dataset.accuracy = accuracy;
    row.textContent = `${side === 'white' ? 'White' : 'Black'}: ${accuracy ? `${accuracy}% accuracy` : 'no move'}; ` +
      `${plural(counts.inaccuracies, 'inaccuracy', 'inaccuracies')}, ${plural(counts.mistakes, 'mistake', 'mistakes')}, ` +
      `${plural(counts.blunders, 'blunder', 'blunders')}`;
    return row;
  }));
}

// The graph of `values` (White's view, ply by ply from the start) over a
// game of `plies` plies, growing from the left while the review runs.
function drawGraph(element, values, plies, reviewed, shown) {
  const step = WIDTH / Math.max(1, plies);
  element.setAttribute('viewBox', `-5 -5 ${WIDTH + 10} ${HEIGHT + 10}`);  // room for the end points
  element.setAttribute('preserveAspectRatio', 'none');
  const x = (ply) => (ply * step).toFixed(1);
  const y = (score) => (((1 - winningChances(score)) * HEIGHT) / 2).toFixed(1);
  const points = values.map((score, ply) => `${x(ply)},${y(score)}`).join(' ');
  const parts = [svg('line', { class: 'middle', x1: 0, x2: WIDTH, y1: HEIGHT / 2, y2: HEIGHT / 2 })];
  if (values.length > 1) {
    parts.push(svg('polygon', { class: 'white-area', points: `0,${HEIGHT} ${points} ${x(values.length - 1)},${HEIGHT}` }));
    parts.push(svg('polyline', { class: 'curve', points }));
  }
  if (shown >= 0) parts.push(svg('line', { class: 'shown', x1: x(shown), x2: x(shown), y1: 0, y2: HEIGHT }));
  values.forEach((score, ply) => {
    const point = svg('circle', { cx: x(ply), cy: y(score), r: 4, class: `point ${reviewed[ply - 1]?.judgement ?? ''}` });
    point.dataset.ply = String(ply);
    point.append(svg('title', {}));
    point.firstChild.textContent = `${ply ? `after ply ${ply}` : 'the start'}: ${scoreText(score)}`;
    parts.push(point);
  });
  element.replaceChildren(...parts);
}

// Draws the review of `game` with the position after `shown` plies shown.
export function drawReview(game, shown) {
  const reviewed = game.reviewedMoves();
  const history = game.history();
  const box = document.getElementById('review-box');
  box.hidden = !reviewed.length;
  drawSummary(document.getElementById('review-summary'), reviewed);
  drawGraph(document.getElementById('eval-graph'), evaluations(game).map(({ score }) => score), history.length,
            reviewed, shown);
  const entry = reviewed[shown - 1];
  const judgement = judgementNamed(entry?.judgement);
  document.getElementById('move-judgement').textContent = judgement
    ? `${moveText(history[shown - 1])}${judgement.glyph} is ${judgement.word === 'Inaccuracy' ? 'an' : 'a'} ` +
      `${judgement.name}: ${entry.bestSan} was best.`
    : '';
}
