// The rating fit: maximum likelihood over all games of all players at once
// on the logistic Elo model, P(win) = 1 / (1 + 10^(-d/400)), a draw
// counting as half a win and half a loss. Anchors keep their given
// ratings and every other player is free, so a player is rated through any
// chain of games that reaches an anchor; without anchors the mean is 0.
// Newton's method finds the optimum, and the 95% intervals come from the
// inverse of the observed information (minus the Hessian) there.
//
// A player who won every game, or lost every game, has no finite estimate.
// Such players are set aside (again and again, as setting one aside can
// leave another with a perfect score among the rest), the others are
// fitted, and each of them gets a one-sided 95% bound instead: the rating
// at which a score this perfect against the fitted opponents would come
// about one time in twenty.

const K = Math.LN10 / 400;
const Z95 = 1.959964;
const BOUND_NLL = -Math.log(0.05);

const expected = (d) => 1 / (1 + Math.pow(10, -d / 400));

// games: [{ white, black, score }] with score White's points (1, 0.5, 0).
// anchors: { name: rating }.
export function fitRatings(games, anchors = {}) {
  const names = [];
  const stat = new Map();
  for (const g of games) {
    for (const [p, pts] of [[g.white, g.score], [g.black, 1 - g.score]]) {
      if (!stat.has(p)) {
        stat.set(p, { games: 0, points: 0 });
        names.push(p);
      }
      stat.get(p).games += 1;
      stat.get(p).points += pts;
    }
  }
  for (const a of Object.keys(anchors)) {
    if (!stat.has(a)) throw new Error(`the anchor "${a}" played no game`);
  }
  const isAnchor = (p) => Object.hasOwn(anchors, p);
  const notes = [];

  // Set aside perfect scores until none is left among the rest.
  const active = new Set(names);
  const setAside = new Map();
  for (let changed = true; changed; ) {
    changed = false;
    const s = new Map([...active].map((p) => [p, { games: 0, points: 0 }]));
    for (const g of games) {
      if (!active.has(g.white) || !active.has(g.black)) continue;
      s.get(g.white).games += 1;
      s.get(g.white).points += g.score;
      s.get(g.black).games += 1;
      s.get(g.black).points += 1 - g.score;
    }
    for (const [p, { games: n, points }] of s) {
      if (isAnchor(p)) continue;
      if (n === 0 || points === 0 || points === n) {
        setAside.set(p, n === 0 ? 'none' : points === n ? 'lower' : 'upper');
        active.delete(p);
        changed = true;
      }
    }
  }

  const rating = new Map();
  const se = new Map();
  for (const a of Object.keys(anchors)) {
    rating.set(a, anchors[a]);
    se.set(a, 0);
  }
  const activeGames = games.filter((g) => active.has(g.white) && active.has(g.black));
  for (const comp of components([...active], activeGames)) {
    const compGames = activeGames.filter((g) => comp.includes(g.white));
    const anchored = comp.filter(isAnchor);
    if (anchored.length === 0 && Object.keys(anchors).length > 0) {
      notes.push(`${comp.join(', ')}: no games that lead to an anchor; not rated`);
      continue;
    }
    checkSeparable(comp, compGames, isAnchor);
    solveComponent(comp, compGames, anchored, rating, se);
    if (anchored.length === 0 && comp.length < names.length) {
      notes.push(`${comp.join(', ')}: played none of the others; their mean is 0 on its own`);
    }
  }

  for (const [p, kind] of setAside) {
    if (kind === 'none') {
      notes.push(`${p}: every game was against players who are not rated; not rated`);
      continue;
    }
    const opp = [];
    for (const g of games) {
      if (g.white === p && rating.has(g.black)) opp.push(rating.get(g.black));
      if (g.black === p && rating.has(g.white)) opp.push(rating.get(g.white));
    }
    const { points, games: n } = stat.get(p);
    const how = points === n ? 'won' : 'lost';
    if (opp.length === 0) {
      notes.push(`${p} ${how} every game, all against players who are not rated; not rated`);
      continue;
    }
    const bound = perfectScoreBound(opp, kind);
    notes.push(
      `${p} ${how} every game: no finite estimate; ${kind === 'lower' ? 'above' : 'below'} ` +
        `${Math.round(bound)} with 95% confidence (from ${opp.length} game${opp.length > 1 ? 's' : ''} against rated players)`,
    );
    setAside.set(p, { kind, bound });
  }

  const players = names.map((p) => {
    const { games: n, points } = stat.get(p);
    const row = { name: p, games: n, points, score: points / n, anchor: isAnchor(p), rating: null, low: null, high: null };
    if (rating.has(p)) {
      const r = rating.get(p);
      const half = Z95 * se.get(p);
      Object.assign(row, { rating: r, low: r - half, high: r + half, interval: half });
    } else if (setAside.get(p)?.bound !== undefined) {
      const { kind, bound } = setAside.get(p);
      Object.assign(row, { bound: kind, [kind === 'lower' ? 'low' : 'high']: bound });
    }
    return row;
  });
  return { players, notes };
}

// Groups of players joined by games.
function components(players, games) {
  const parent = new Map(players.map((p) => [p, p]));
  const find = (p) => (parent.get(p) === p ? p : find(parent.get(p)));
  for (const g of games) parent.set(find(g.white), find(g.black));
  const groups = new Map();
  for (const p of players) {
    const root = find(p);
    if (!groups.has(root)) groups.set(root, []);
    groups.get(root).push(p);
  }
  return [...groups.values()];
}

// The optimum exists only if every player (the anchors taken as one) both
// took points from and gave points to every other, through some chain of
// games. A group that won every game against the rest would drift apart.
function checkSeparable(comp, games, isAnchor) {
  const node = (p) => (isAnchor(p) ? '*anchors*' : p);
  const nodes = [...new Set(comp.map(node))];
  const fwd = new Map(nodes.map((n) => [n, new Set()]));
  const back = new Map(nodes.map((n) => [n, new Set()]));
  const edge = (from, to) => {
    if (from === to) return;
    fwd.get(from).add(to);
    back.get(to).add(from);
  };
  for (const g of games) {
    if (g.score > 0) edge(node(g.white), node(g.black));
    if (g.score < 1) edge(node(g.black), node(g.white));
  }
  const reach = (edges) => {
    const seen = new Set([nodes[0]]);
    const todo = [nodes[0]];
    while (todo.length) for (const n of edges.get(todo.pop())) if (!seen.has(n)) { seen.add(n); todo.push(n); }
    return seen;
  };
  const a = reach(fwd);
  const b = reach(back);
  const stuck = nodes.filter((n) => !a.has(n) || !b.has(n));
  if (stuck.length) {
    throw new Error(
      `no finite ratings: ${stuck.map((n) => n.replace('*anchors*', 'the anchors')).join(', ')} ` +
        `and the others took no points from each other one way; more games are needed`,
    );
  }
}

function solveComponent(comp, games, anchored, rating, se) {
  // Without an anchor one player stands at 0 while solving; all are then
  // shifted so that their mean is 0.
  const reference = anchored.length ? null : comp[0];
  const free = comp.filter((p) => !anchored.includes(p) && p !== reference);
  const start = anchored.length ? anchored.reduce((s, a) => s + rating.get(a), 0) / anchored.length : 0;
  for (const p of comp) if (!anchored.includes(p)) rating.set(p, start);
  const index = new Map(free.map((p, i) => [p, i]));
  const n = free.length;

  let info = null;
  for (let iter = 0; iter < 200; iter++) {
    const grad = new Array(n).fill(0);
    info = Array.from({ length: n }, () => new Array(n).fill(0));
    for (const g of games) {
      const p = expected(rating.get(g.white) - rating.get(g.black));
      const w = K * K * p * (1 - p);
      const i = index.get(g.white);
      const j = index.get(g.black);
      if (i !== undefined) { grad[i] += K * (g.score - p); info[i][i] += w; }
      if (j !== undefined) { grad[j] -= K * (g.score - p); info[j][j] += w; }
      if (i !== undefined && j !== undefined) { info[i][j] -= w; info[j][i] -= w; }
    }
    if (n === 0) break;
    const step = solve(info, grad);
    // Long steps far from the optimum are cut short; near it Newton's own step is taken.
    const longest = Math.max(...step.map(Math.abs));
    const scale = longest > 300 ? 300 / longest : 1;
    free.forEach((p, k) => rating.set(p, rating.get(p) + scale * step[k]));
    if (longest < 1e-9) break;
  }

  const cov = n ? invert(info) : [];
  const v = (p, q) => (index.has(p) && index.has(q) ? cov[index.get(p)][index.get(q)] : 0);
  if (reference === null) {
    for (const p of free) se.set(p, Math.sqrt(v(p, p)));
    return;
  }
  // Centring is the linear map r - mean(r); its covariance is A C A'.
  const m = comp.length;
  const mean = comp.reduce((s, p) => s + rating.get(p), 0) / m;
  const rowMean = new Map(comp.map((p) => [p, comp.reduce((s, q) => s + v(p, q), 0) / m]));
  const allMean = comp.reduce((s, p) => s + rowMean.get(p), 0) / m;
  for (const p of comp) {
    se.set(p, Math.sqrt(Math.max(0, v(p, p) - 2 * rowMean.get(p) + allMean)));
  }
  for (const p of comp) rating.set(p, rating.get(p) - mean);
}

function perfectScoreBound(opponents, kind) {
  // Minus the log of the chance of the perfect score at rating r; it falls
  // as r rises for a winner, rises for a loser.
  const nll = (r) => opponents.reduce((s, o) => s - Math.log(kind === 'lower' ? expected(r - o) : expected(o - r)), 0);
  let lo = Math.min(...opponents) - 4000;
  let hi = Math.max(...opponents) + 4000;
  for (let i = 0; i < 200; i++) {
    const mid = (lo + hi) / 2;
    const above = nll(mid) > BOUND_NLL;
    if ((kind === 'lower') === above) lo = mid;
    else hi = mid;
  }
  return (lo + hi) / 2;
}

// Gaussian elimination with partial pivoting, for the small systems here.
function solve(a, b) {
  const n = b.length;
  const m = a.map((row, i) => [...row, b[i]]);
  for (let c = 0; c < n; c++) {
    let piv = c;
    for (let r = c + 1; r < n; r++) if (Math.abs(m[r][c]) > Math.abs(m[piv][c])) piv = r;
    [m[c], m[piv]] = [m[piv], m[c]];
    if (Math.abs(m[c][c]) < 1e-300) throw new Error('the rating fit has a singular information matrix');
    for (let r = 0; r < n; r++) {
      if (r === c) continue;
      const f = m[r][c] / m[c][c];
      if (f) for (let k = c; k <= n; k++) m[r][k] -= f * m[c][k];
    }
  }
  return m.map((row, i) => row[n] / row[i]);
}

function invert(a) {
  const n = a.length;
  const cols = Array.from({ length: n }, (_, j) => solve(a, a.map((_, i) => (i === j ? 1 : 0))));
  return Array.from({ length: n }, (_, i) => Array.from({ length: n }, (_, j) => cols[j][i]));
}

// NAME=RATING strings, as --anchor gives them; the name may hold '='.
export function parseAnchors(list) {
  const anchors = {};
  for (const a of list) {
    const eq = a.lastIndexOf('=');
    const value = Number(a.slice(eq + 1));
    if (eq < 1 || !Number.isFinite(value)) throw new Error(`anchor "${a}" is not NAME=RATING`);
    anchors[a.slice(0, eq)] = value;
  }
  return anchors;
}

// The table the runner and rate.mjs print.
export function formatTable({ players, notes }) {
  const rows = [...players].sort((x, y) => (y.rating ?? y.low ?? y.high ?? -Infinity) - (x.rating ?? x.low ?? x.high ?? -Infinity));
  const cells = rows.map((p) => {
    let rating = '';
    let interval = '';
    if (p.rating !== null) {
      rating = String(Math.round(p.rating));
      interval = p.anchor ? '(anchor)' : `-${Math.round(p.interval)} / +${Math.round(p.interval)}`;
    } else if (p.bound === 'lower') rating = `> ${Math.round(p.low)}`;
    else if (p.bound === 'upper') rating = `< ${Math.round(p.high)}`;
    else rating = '?';
    return [p.name, String(p.games), `${(100 * p.score).toFixed(1)}%`, rating, interval];
  });
  const head = ['player', 'games', 'score', 'rating', '95% interval'];
  const width = head.map((h, i) => Math.max(h.length, ...cells.map((c) => c[i].length)));
  const line = (c) => c.map((x, i) => (i === 0 ? x.padEnd(width[i]) : x.padStart(width[i]))).join('  ').trimEnd();
  return [line(head), ...cells.map(line), ...notes.map((n) => `note: ${n}`)].join('\n');
}
