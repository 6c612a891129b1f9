// A game through the page in headless Chromium, played as a person plays it:
// clicks (and a drag) on the board's squares and the page's buttons. The
// engine answers, Undo takes back two plies, a promotion asks for its piece,
// a mate ends the game, and the browser's console shows no error. On the
// way it measures the time to the engine's first move and bench in the
// browser, and saves a picture of the game (SCREENSHOT, or web-game.png in
// the build tree).
// Environment: QUORLIX_SITE, QUORLIX_TOOL, QUORLIX_CHROMIUM, and NODE_PATH
// for playwright-core; web/CMakeLists.txt sets them.
import assert from 'node:assert/strict';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { extname, join, normalize } from 'node:path';
import { after, before, test } from 'node:test';

const { chromium } = createRequire(import.meta.url)('playwright-core');
const { QUORLIX_SITE: site, QUORLIX_TOOL: tool, QUORLIX_CHROMIUM: executablePath } = process.env;
const screenshot = process.env.SCREENSHOT || join(site, '..', 'web-game.png');
const BENCH_NODES = 10759519;

// The site as a static host serves it, and the tool for bench beside it.
const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css',
                '.svg': 'image/svg+xml', '.wasm': 'application/wasm' };
const server = createServer((request, response) => {
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
  page = context.pages()[0] || (await context.newPage());
  page.on('console', (message) => message.type() === 'error' && problems.push(message.text()));
  page.on('pageerror', (error) => problems.push(error.message));
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
const moves = async () => (await page.locator('#moves').innerText()).split(/\s+/).filter((t) => t && t !== '…');
const waitForPlies = (count) => waitUntil(async () => (await moves()).length === count, `${count} plies`);
// The status line says `text`, and the board takes clicks.
const waitForStatus = (text) =>
  waitUntil(async () => (await page.locator('#status').innerText()) === text &&
                        (await page.locator('#board').getAttribute('aria-busy')) === 'false', text);
const square = (name) => page.locator(`[data-square="${name}"]`).first();

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

test('a game against the engine through the page', async () => {
  // Playing Black, the engine opens; the page keeps the choice, so that on
  // the next visit the engine moves as soon as the page has loaded it.
  await page.goto(`${origin}/`);
  await page.selectOption('#side', 'black');
  await waitForPlies(1);
  await page.reload();
  await waitForPlies(1);
  const firstMove = await page.evaluate(() => performance.getEntriesByName('first-engine-move')[0].startTime);
  console.log(`first engine move ${Math.round(firstMove)} ms after the page began to load`);
  const a8 = await square('a8').boundingBox();
  const a1 = await square('a1').boundingBox();
  assert.ok(a8.y > a1.y, 'Black plays from the bottom of the board');

  // White from the start; New game abandons the search the change of side began.
  await page.selectOption('#side', 'white');
  await page.click('#new-game');
  await waitForPlies(0);
  await waitForStatus('Your move.');

  await clickMove('e2', 'e5');  // not a legal move: nothing happens
  await play('e2', 'e4', 2);
  assert.equal((await moves())[0], 'e4');
  assert.ok((await page.locator('#lines li').count()) > 0, 'the search lines are shown');
  await play('g1', 'f3', 4);
  await play('f1', 'c4', 6, dragMove);
  const sixPlies = await moves();
  assert.deepEqual([sixPlies[0], sixPlies[2], sixPlies[4]], ['e4', 'Nf3', 'Bc4']);
  await page.screenshot({ path: screenshot });

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
