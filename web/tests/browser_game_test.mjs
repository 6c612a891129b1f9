// Games through the page in headless Chromium, played as a person plays
// them: clicks (and drags, of a mouse and of a finger) on the board's squares
// and the page's buttons. The engine answers, Undo takes back two plies, a
// promotion asks for its piece, a mate ends the game; the game survives a
// reload, steps back through its moves, goes out as PGN, FEN and a link and
// comes back in from them; a timed game ends at a fallen flag; after one
// visit the page plays without the network; it fits a phone; and the
// browser's console shows no error. As an analysis board: the engine's lines
// and arrow for the position shown, stopped when it changes; the opening's
// name by position; a review that finds a blunder and none in the engine's
// own game, and goes out in the PGN. On the way it measures the page's size,
// the time to the engine's first move, to the analysis's first line and to
// review 80 plies, and bench in the browser, and saves pictures of a game
// (SCREENSHOT, or web-game.png in the build tree, and web-phone.png and
// web-review.png beside it).
// Environment: QUORLIX_SITE, QUORLIX_TOOL, QUORLIX_CHROMIUM, and NODE_PATH
// for playwright-core and chess.js; web/CMakeLists.txt sets them.
import assert from 'node:assert/strict';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { dirname, extname, join, normalize } from 'node:path';
import { after, before, test } from 'node:test';
import { gzipSync } from 'node:zlib';

const require = createRequire(import.meta.url);
const { chromium } = require('playwright-core');
const { Chess } = require('chess.js');
const { QUORLIX_SITE: site, QUORLIX_TOOL: tool, QUORLIX_CHROMIUM: executablePath } = process.env;
const screenshot = process.env.SCREENSHOT || join(site, '..', 'web-game.png');
const phoneScreenshot = join(dirname(screenshot), 'web-phone.png');
const reviewScreenshot = join(dirname(screenshot), 'web-review.png');
const BENCH_NODES = 10759519;

// The site as a static host serves it, and the tool for bench beside it;
// with `offline` set it answers nothing.
const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.svg': 'image/svg+xml',
                '.wasm': 'application/wasm', '.png': 'image/png', '.webmanifest': 'application/manifest+json',
                '.tsv': 'text/tab-separated-values' };
let offline = false;
const server = createServer((request, response) => {
  if (offline) return request.socket.destroy();
  const path = new URL(request.url, 'http://localhost').pathname;
  const file = path === '/quorlix-tool.wasm' ? tool : join(site, normalize(path === '/' ? '/index.html' : path));
  try {
    const body = readFileSync(file);
    response.writeHead(200, { 'Content-Type': types[extname(file)] || 'application/octet-stream' });
    response.end(body);
  } catch {
    response.writeHead(404).end();
  }
});

let context;
let page;
let origin;
const problems = [];  // errors in the browser's console or the page
const profile = mkdtempSync(join(tmpdir(), 'quorlix-chromium-'));

// The page's own errors: not the favicon.ico that the browser looks for
// beside the drawing the test opens to change the kept game.
function watch(watched) {
  watched.on('console', (message) => message.type() === 'error' &&
                                     !message.location().url.endsWith('/favicon.ico') && problems.push(message.text()));
  watched.on('pageerror', (error) => problems.push(error.message));
}

before(async () => {
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  origin = `http://127.0.0.1:${server.address().port}`;
  context = await chromium.launchPersistentContext(profile, {
    executablePath,
    headless: true,
    viewport: { width: 1000, height: 700 },
    // Without the background services Chromium tries no connections of its own.
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  await context.grantPermissions(['clipboard-read', 'clipboard-write'], { origin });
  // The lines the page sends to the engine's worker, for the test to read.
  await context.addInitScript(() => {
    const post = Worker.prototype.postMessage;
    window.sentToEngine = [];
    Worker.prototype.postMessage = function (line) {
      if (typeof line === 'string') window.sentToEngine.push(line);
      return post.call(this, line);
    };
    // When the page ended a worker (a search stopped).
    const terminate = Worker.prototype.terminate;
    window.terminated = [];
    Worker.prototype.terminate = function () {
      window.terminated.push(performance.now());
      return terminate.call(this);
    };
  });
  page = context.pages()[0] || (await context.newPage());
  watch(page);
});

after(async () => {
  await context?.close();
  server.close();
  rmSync(profile, { recursive: true, force: true });
});

// Asks `holds` again until it is true, for half a minute at most.
async function waitUntil(holds, what) {
  for (const end = Date.now() + 30000; !(await holds()); ) {
    if (Date.now() > end) throw new Error(`gave up waiting for ${what}`);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}

// The moves in the list, in SAN.
const moves = async (on = page) => (await on.locator('#moves').innerText()).split(/\s+/).filter((t) => t && t !== '…');
const waitForPlies = (count, on = page) => waitUntil(async () => (await moves(on)).length === count, `${count} plies`);
const status = () => page.locator('#status').innerText();
const waitForBoard = (on = page) =>
  waitUntil(async () => (await on.locator('#board').getAttribute('aria-busy')) === 'false', 'the board');
// The status line says `text`, and the board takes clicks.
const waitForStatus = async (text) => {
  await waitUntil(async () => (await status()) === text, text);
  await waitForBoard();
};
const square = (name, on = page) => on.locator(`[data-square="${name}"]`).first();
// What a button copies.
async function copied(id) {
  await page.evaluate(() => navigator.clipboard.writeText(''));
  await page.click(`#${id}`);
  await waitUntil(() => page.evaluate(() => navigator.clipboard.readText()), `#${id} to copy`);
  return page.evaluate(() => navigator.clipboard.readText());
}

async function clickMove(from, to) {
  await square(from).click();
  await square(to).click();
}

async function dragMove(from, to) {
  const start = await square(from).boundingBox();
  const end = await square(to).boundingBox();
  await page.mouse.move(start.x + start.width / 2, start.y + start.height / 2);
  await page.mouse.down();
  await page.mouse.move(end.x + end.width / 2, end.y + end.height / 2, { steps: 8 });
  await page.mouse.up();
}

// The player's move and the engine's answer: `plies` in the list, and the
// player to move again.
async function play(from, to, plies, how = clickMove) {
  await how(from, to);
  await waitForPlies(plies);
  await waitForStatus('Your move.');
}

// The files a page loaded, by their path on the site.
const loaded = (on = page) => on.evaluate(() => [location.pathname, ...performance.getEntriesByType('resource')
  .map(({ name }) => new URL(name).pathname)].filter((path) => !path.startsWith('/quorlix-tool')));
const gzipped = (paths) => paths.reduce((sum, path) =>
  sum + gzipSync(readFileSync(join(site, path === '/' ? 'index.html' : path))).length, 0);

test('the page as first loaded, and the openings only when a position needs a name', async () => {
  await page.goto(`${origin}/`);
  await waitForStatus('Your move.');
  const first = [...new Set(await loaded())];
  assert.ok(!first.some((path) => path.startsWith('/openings/')), first.join(' '));
  const size = gzipped(first);
  console.log(`the page as first loaded: ${first.length} files, ${(size / 1024).toFixed(1)} KB gzipped`);
  assert.ok(size < 150 * 1024);
  await clickMove('e2', 'e4');
  await waitUntil(async () => /^[A-E]\d\d /.test(await page.locator('#opening').innerText()), 'the opening');
  const later = (await loaded()).filter((path) => path.startsWith('/openings/'));
  console.log(`the openings, loaded later: ${(gzipped(later) / 1024).toFixed(1)} KB gzipped`);
  await page.click('#new-game');
});

test('a game against the engine through the page', async () => {
  // Playing Black, the engine opens; the game survives a reload.
  await page.goto(`${origin}/`);
  await page.selectOption('#side', 'black');
  await waitForPlies(1);
  const opening = await moves();
  await page.uncheck('#sound');
  await page.reload();
  await waitForStatus('Your move.');
  assert.deepEqual(await moves(), opening);
  assert.equal(await page.isChecked('#sound'), false, 'the page remembers that the sound is off');
  await page.check('#sound');
  const a8 = await square('a8').boundingBox();
  const a1 = await square('a1').boundingBox();
  assert.ok(a8.y > a1.y, 'Black plays from the bottom of the board');

  // A link to the start: a new game, which the engine opens as soon as the
  // page has loaded it.
  await page.goto(`${origin}/index.html#fen=rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR_w_KQkq_-_0_1`);
  await waitForPlies(1);
  const firstMove = await page.evaluate(() => performance.getEntriesByName('first-engine-move')[0].startTime);
  console.log(`first engine move ${Math.round(firstMove)} ms after the page began to load`);

  // White from the start, at 10+5; New game abandons the search the change of side began.
  await page.selectOption('#side', 'white');
  await page.selectOption('#time-control', '10+5');
  await page.click('#new-game');
  await waitForPlies(0);
  await waitForStatus('Your move.');
  assert.equal(await page.locator('#clock-white').innerText(), '10:00');

  await clickMove('e2', 'e5');  // not a legal move: nothing happens
  await play('e2', 'e4', 2);
  assert.equal((await moves())[0], 'e4');
  assert.ok((await page.locator('#lines li').count()) > 0, 'the search lines are shown');
  await play('g1', 'f3', 4);
  await play('f1', 'c4', 6, dragMove);
  const sixPlies = await moves();
  assert.deepEqual([sixPlies[0], sixPlies[2], sixPlies[4]], ['e4', 'Nf3', 'Bc4']);
  await page.screenshot({ path: screenshot });

  // Looking back: the board shows the position after White's first move
  // and says so; the arrow keys step; the game is as it was.
  await page.click('#moves [data-ply="1"]');
  await waitUntil(async () => (await page.locator('#view-note').innerText()).includes('after 1. e4'), 'the note');
  await waitForBoard();
  assert.equal(await page.locator('g[data-piece][data-square="f3"]').count(), 0, 'no knight on f3 yet');
  await page.keyboard.press('ArrowRight');
  await waitUntil(async () => (await page.locator('#view-note').innerText()).includes(`after 1… ${sixPlies[1]}`), 'a step');
  await page.click('#to-end');
  await waitUntil(async () => (await page.locator('#view-note').innerText()) === '', 'the game');
  assert.deepEqual(await moves(), sixPlies);

  // A bad paste leaves the game as it was.
  await page.fill('#load-text', '1. e4 e5 2. Ke3');
  await page.click('#load');
  assert.match(await status(), /^Nothing was loaded: .*The game goes on as it was\./);
  assert.deepEqual(await moves(), sixPlies);

  await page.click('#undo');
  await waitForPlies(4);
  assert.deepEqual(await moves(), sixPlies.slice(0, 4));
  await waitForStatus('Your move.');

  await page.click('#flip');
  await page.waitForFunction(() => {
    const y = (name) => document.querySelector(`[data-square="${name}"]`).getBoundingClientRect().y;
    return y('a1') < y('a8');
  });

  // From a link's position: a waiting move, the engine's reply, then a
  // pawn promotes to a rook with mate.
  await page.goto(`${origin}/#fen=k7/2P4p/1K6/8/8/P7/8/8_w_-_-_0_1`);
  await waitForPlies(0);
  await waitForStatus('Your move.');
  await play('a3', 'a4', 2);
  await clickMove('c7', 'c8');
  await page.getByRole('button', { name: 'Rook' }).click();
  await waitForPlies(3);
  assert.equal((await moves())[2], 'c8=R#');
  await waitForStatus('Checkmate: White wins (1-0).');
  assert.deepEqual(problems, []);
});

test('the game goes out as PGN, FEN and a link, and comes back', async () => {
  const played = await moves();
  const pgn = await copied('copy-pgn');
  const parsed = new Chess();
  parsed.loadPgn(pgn);
  assert.deepEqual(parsed.history(), played);
  const tags = parsed.getHeaders();
  assert.deepEqual(Object.keys(tags).slice(0, 7), ['Event', 'Site', 'Date', 'Round', 'White', 'Black', 'Result']);
  assert.deepEqual([tags.White, tags.Black, tags.Result, tags.SetUp, tags.FEN, tags.TimeControl],
                   ['Player', 'Quorlix (level 1000)', '1-0', '1', 'k7/2P4p/1K6/8/8/P7/8/8 w - - 0 1', '600+5']);
  assert.match(await page.locator('#status').innerText(), /The PGN is copied\./);
  const download = page.waitForEvent('download');
  await page.click('#download-pgn');
  assert.match((await download).suggestedFilename(), /^quorlix-\d{4}-\d\d-\d\d\.pgn$/);
  assert.equal(await copied('copy-fen'), parsed.fen());

  // The link, in a fresh page, shows the same game.
  const link = await copied('copy-link');
  const fresh = await context.newPage();
  watch(fresh);
  await fresh.goto(link);
  await waitForPlies(played.length, fresh);
  assert.deepEqual(await moves(fresh), played);
  await fresh.close();

  // A pasted PGN: the game goes on from its end.
  await page.fill('#load-text', '1. d4 d5 2. c4');
  await page.click('#load');
  await waitForPlies(4);
  assert.deepEqual((await moves()).slice(0, 3), ['d4', 'd5', 'c4']);
  assert.deepEqual(problems, []);
});

test('a timed game ends when a flag falls, and the clocks never show less than nothing', async () => {
  await page.selectOption('#time-control', '1+0');
  await page.selectOption('#level', '1400');
  await page.evaluate(() => (window.sentToEngine.length = 0));
  await page.click('#new-game');
  await waitForStatus('Your move.');
  await play('d2', 'd4', 2);
  const sent = await page.evaluate(() => window.sentToEngine);
  assert.ok(sent.includes('setoption name UCI_LimitStrength value true'), sent.join('\n'));
  assert.ok(sent.indexOf('setoption name UCI_Elo value 1400') < sent.findIndex((line) => line.startsWith('go')));
  assert.match(sent.find((line) => line.startsWith('go')), /^go wtime \d+ btime \d+ winc 0 binc 0$/);

  // The player's clock, kept at a second and a half, runs out after a reload.
  await page.goto(`${origin}/icon.svg`);  // of the same origin, where the kept game can be changed
  await page.evaluate(() => {
    const kept = JSON.parse(localStorage.getItem('quorlix-game'));
    kept.clocks.w = 1500;
    localStorage.setItem('quorlix-game', JSON.stringify(kept));
  });
  await page.goto(`${origin}/`);
  await waitUntil(async () => {
    const clocks = await page.locator('.clock').allInnerTexts();
    assert.ok(clocks.every((text) => /^\d+:\d\d(\.\d)?$/.test(text)), clocks.join(' '));
    return (await status()) === 'White lost on time: Black wins (0-1).';
  }, 'the flag');
  assert.equal(await page.locator('#clock-white').innerText(), '0:00.0');
  const pgn = await copied('copy-pgn');
  assert.match(pgn, /\[Result "0-1"\][^]*\[TimeControl "60"\][^]*\{White lost on time\.\} 0-1\n$/);
  assert.match(pgn, /\[Black "Quorlix \(level 1400\)"\]/);

  // Resigning takes a second click.
  await page.click('#new-game');
  await waitForStatus('Your move.');
  await page.click('#resign');
  assert.equal(await status(), 'Click Resign again to resign. Your move.');
  await page.click('#resign');
  await waitUntil(async () => (await status()) === 'White resigns: Black wins (0-1).', 'the resignation');
  assert.deepEqual(problems, []);
});

test("at a phone's size the page fits, and a finger's drag plays", async () => {
  const phone = await context.newPage();
  watch(phone);
  await phone.setViewportSize({ width: 390, height: 844 });
  const cdp = await context.newCDPSession(phone);
  await cdp.send('Emulation.setDeviceMetricsOverride', { width: 390, height: 844, deviceScaleFactor: 2, mobile: true });
  await cdp.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 1 });
  await phone.goto(`${origin}/`);
  assert.equal(await phone.inputValue('#level'), '1400', 'the level chosen on the last visit');
  await phone.selectOption('#time-control', '5+0');
  await phone.click('#new-game');
  await waitForPlies(0, phone);
  await waitForBoard(phone);
  const middle = async (name) => {
    const box = await square(name, phone).boundingBox();
    return { x: box.x + box.width / 2, y: box.y + box.height / 2 };
  };
  const from = await middle('e2');
  const to = await middle('e4');
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [from] });
  for (let i = 1; i <= 6; i++) {
    const point = { x: from.x + ((to.x - from.x) * i) / 6, y: from.y + ((to.y - from.y) * i) / 6 };
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: [point] });
  }
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
  await waitForPlies(2, phone);
  const sizes = await phone.evaluate(() => ({
    page: document.documentElement.scrollWidth,
    window: innerWidth,
    board: document.getElementById('board').getBoundingClientRect(),
    controls: document.querySelector('#panel .controls').getBoundingClientRect(),
  }));
  assert.ok(sizes.page <= sizes.window, `no sideways scrolling (${sizes.page} > ${sizes.window})`);
  assert.ok(sizes.board.right <= sizes.window && sizes.controls.right <= sizes.window, 'the board and controls fit');
  await waitUntil(async () => (await phone.locator('#status').innerText()) === 'Your move.', 'the engine');
  await phone.screenshot({ path: phoneScreenshot });
  await phone.close();
  assert.deepEqual(problems, []);
});

test('opened from a folder, the page says how to serve it', async () => {
  const local = await context.newPage();
  await local.goto(`file://${site}/index.html`);
  assert.match(await local.locator('#status').innerText(), /python3 -m http\.server/);
  await local.close();
});

test('bench in the browser counts the nodes it counts natively', async () => {
  const output = await page.evaluate(async () => {
    const { Wasi } = await import('./wasi.js');
    let text = '';
    const wasi = new Wasi({ args: ['quorlix-tool', 'bench'], stdout: (t) => (text += t) });
    const bytes = await (await fetch('/quorlix-tool.wasm')).arrayBuffer();
    const { instance } = await WebAssembly.instantiate(bytes, wasi.imports);
    wasi.start(instance);
    return text;
  });
  const [, nodes, ms, nps] = /nodes (\d+) time_ms (\d+) nps (\d+)/.exec(output);
  console.log(`bench in Chromium: ${nodes} nodes in ${ms} ms, ${nps} nodes per second`);
  assert.equal(Number(nodes), BENCH_NODES);
  assert.deepEqual(problems, []);
});

// Loads a PGN or FEN as the game, untimed, the player on the side to move.
async function loadGame(text, side = 'white') {
  await page.selectOption('#time-control', '');
  await page.selectOption('#side', side);
  await page.fill('#load-text', text);
  await page.click('#load');
  await waitUntil(async () => (await status()).startsWith('The game is loaded.'), 'the game');
  await waitForBoard();
}

// The analysis's lines, each with the position it is for.
const lines = () => page.evaluate(() => [...document.querySelectorAll('#lines .line')].map((item) => ({
  multipv: item.dataset.multipv, depth: Number(item.dataset.depth), score: item.querySelector('.score').textContent,
  fen: document.getElementById('lines').dataset.fen })));

test('the analysis shows the lines of the position shown, and stops when it changes', async () => {
  // Légal's mate: 1. Nf6+ gxf6 2. Bxf7#, drawn as an arrow; the bar full for White.
  await loadGame('r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 1 10');
  await page.check('#analyse');
  await waitUntil(async () => (await lines()).some(({ multipv, score }) => multipv === '1' && score === '#2'), '#2');
  assert.equal(await page.locator('#board [data-arrow="d5f6"]').count(), 1);
  assert.equal(Number(await page.locator('#eval-bar').getAttribute('data-white')), 1);

  // Named by position, however it was reached; three lines each.
  await loadGame('1. Nf3 d6 2. e4 c5');
  await waitUntil(async () => (await page.locator('#opening').innerText()).includes('Sicilian Defense'), 'the name');
  await loadGame('1. e4 c5 2. Nf3 d6');
  await waitUntil(async () => (await page.locator('#opening').innerText()) === 'B50 Sicilian Defense: Modern Variations',
                  'the same name');
  await waitUntil(async () => (await lines()).filter(({ depth }) => depth >= 4).length === 3, 'three lines');

  // A step back: the old search's worker ends at once, the new position's
  // first line comes soon after, and the game is as it was.
  const stepped = await page.evaluate(() => {
    const now = performance.now();
    document.body.dispatchEvent(new KeyboardEvent('keydown', { key: 'ArrowLeft', bubbles: true }));
    return now;
  });
  const fen = 'rnbqkbnr/pp1ppppp/8/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2';
  await waitUntil(async () => (await lines()).some((line) => line.fen === fen), 'the new lines');
  const stopped = (await page.evaluate(() => window.terminated)).find((at) => at >= stepped) - stepped;
  const first = Number(await page.locator('#lines').getAttribute('data-first-line-ms'));
  console.log(`analysis: the old search stopped ${stopped.toFixed(1)} ms after the step, the first line ${first} ms after`);
  assert.ok(stopped < 1000 && first < 1000);

  // A line's first move, away from the game's end, is tried as a variation.
  await page.locator('#lines .line[data-multipv="1"] .try').click();
  await waitUntil(async () => (await page.locator('#view-note').innerText()).startsWith('A variation'), 'the variation');
  assert.deepEqual(await moves(), ['e4', 'c5', 'Nf3', 'd6']);
  await page.uncheck('#analyse');
  await page.click('#to-end');
  assert.deepEqual(problems, []);
});

// The engine's own game at full strength (quorlix-uci's "go", 7 plies), 80 plies.
const OWN_GAME = `e2e3 e7e6 d1h5 d8f6 f1d3 g7g6 h5f3 f6f3 g1f3 b7b6 b1c3 c8b7 e1f1 e8e7 c3b5 b8a6 b2b3 f8g7 c2c3 c7c6 c1a3 c6c5
  d3e2 b7c6 d2d4 g8h6 d4c5 b6c5 a1d1 h6f5 e2d3 h8b8 b5d4 f5d4 e3d4 c6b5 d4c5 e7e8 c3c4 b5c6 f3g5 h7h6 g5h7 e8e7
  b3b4 a6b4 a3b4 b8b4 a2a3 b4b7 d1b1 b7b1 d3b1 a8h8 h2h4 h8h7 h4h5 e7f6 h1h4 g6g5 h4g4 h7h8 b1c2 g7f8 c2e4 c6e4
  g4e4 f8c5 a3a4 h8b8 f2f4 b8b4 a4a5 g5g4 g2g3 b4b3 f1g2 b3e3 e4e3 c5e3`;

async function review() {
  const begun = Date.now();
  await page.click('#review');
  await waitUntil(async () => (await page.locator('#review-progress').isHidden()) &&
                              (await page.locator('#review-summary [data-side]').count()) === 2, 'the review');
  return (Date.now() - begun) / 1000;
}
const judged = () => page.locator('#moves [data-judgement]:not([data-judgement=""])')
  .evaluateAll((items) => items.map(({ dataset }) => ({ ply: dataset.ply, judgement: dataset.judgement, best: dataset.best })));
const counts = (side) => page.locator(`#review-summary [data-side="${side}"]`).evaluate(({ dataset }) => ({ ...dataset }));

test("a review finds a queen left to be taken, none in the engine's own game, and goes out in the PGN", async () => {
  const own = new Chess();
  OWN_GAME.split(/\s+/).forEach((uci) => own.move({ from: uci.slice(0, 2), to: uci.slice(2, 4) }));
  assert.equal(own.history().length, 80);
  await loadGame(own.pgn());
  const seconds = await review();
  const summary = [await counts('white'), await counts('black')];
  const depths = {};
  for (const { depth } of await page.evaluate(() => JSON.parse(localStorage.getItem('quorlix-game')).review.moves)) {
    depths[depth] = (depths[depth] ?? 0) + 1;
  }
  console.log(`review of 80 plies: ${seconds} s, moves judged at depth ${JSON.stringify(depths)}; ` +
    summary.map((side) => `${side.side} ${side.accuracy}% ${side.inaccuracies}/${side.mistakes}/${side.blunders}`).join(', '));
  assert.ok(summary.every((side) => side.blunders === '0' && Number(side.mistakes) <= 1), JSON.stringify(summary));
  // The picture: a judged move shown, with the analysis of its position.
  await page.setViewportSize({ width: 1000, height: 1000 });
  await page.click('#moves [data-ply="22"]');
  await page.check('#analyse');
  await waitUntil(async () => (await lines()).filter(({ depth }) => depth >= 5).length === 3, 'the lines');
  await page.screenshot({ path: reviewScreenshot, fullPage: true });
  await page.uncheck('#analyse');
  await page.setViewportSize({ width: 1000, height: 700 });

  // 2… Qg5 leaves the queen to the knight.
  await loadGame('1. e4 e5 2. Nf3 Qg5');
  await review();
  const [blunder, ...others] = await judged();
  assert.deepEqual([blunder.ply, blunder.judgement, others.length], ['4', 'blunder', 0]);
  assert.ok(blunder.best && blunder.best !== 'Qg5');
  assert.equal((await counts('black')).blunders, '1');
  assert.match(await page.locator('#moves [data-ply="4"]').innerText(), /^Qg5\?\?$/);
  await page.locator('#eval-graph [data-ply="2"]').click();
  await waitUntil(async () => (await page.locator('#view-note').innerText()).includes('after 1… e5'), 'the point');
  await page.click('#to-end');

  // A hint, noted in the PGN with the review's evaluations and NAGs.
  await page.click('#hint');
  await waitUntil(async () => /^Hint: \S+\. Your move\.$/.test(await status()), 'the hint');
  assert.equal(await page.locator('#board .arrow-success').count(), 1);
  const pgn = await copied('copy-pgn');
  assert.match(pgn.replace(/\s+/g, ' '), / 2\.\.\. Qg5 \$4 \{\[%eval \d+\.\d\d\] Blunder\. \S+ was best\. The player took a hint here\.\}/);
  const read = new Chess();
  read.loadPgn(pgn);
  assert.deepEqual(read.history(), ['e4', 'e5', 'Nf3', 'Qg5']);
  assert.equal(read.getComments().filter(({ comment }) => /^\[%eval -?\d+\.\d\d\]/.test(comment)).length, 4);

  // Kept with the game.
  await page.reload();
  await waitUntil(async () => (await judged()).length === 1, 'the kept review');
  assert.deepEqual(problems, []);
});

test('after one visit the page plays without the network, and can be installed', async () => {
  await page.goto(`${origin}/`);
  await page.evaluate(() => navigator.serviceWorker.ready);
  const cdp = await context.newCDPSession(page);
  const { installabilityErrors } = await cdp.send('Page.getInstallabilityErrors');
  assert.deepEqual(installabilityErrors, []);
  await page.selectOption('#time-control', '');
  await page.click('#new-game');
  await waitForStatus('Your move.');

  offline = true;
  await context.setOffline(true);
  await page.reload();
  await waitForStatus('Your move.');
  await play('e2', 'e4', 2);
  await context.setOffline(false);
  offline = false;
  assert.deepEqual(problems, []);
});
