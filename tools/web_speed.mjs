// Bench natively, in WebAssembly under node's WASI and in headless Chromium,
// taken in turn, and the medians: how fast the web build runs against the
// native one on this machine. Wall-clock figures: run it on a quiet machine.
//   node tools/web_speed.mjs [ROUNDS]   (from the top of the source tree,
//   after building the release and web presets; default 11 rounds)
// Chromium is Debian's; playwright-core is the web build's own (npm ci).
import { execFileSync } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';

const rounds = Number(process.argv[2] || 11);
const native = resolve('build/quorlix-tool');
const wasm = resolve('build-web/quorlix-tool.wasm');
const { chromium } = createRequire(resolve('build-web/web/npm/node_modules/'))('playwright-core');

const profile = mkdtempSync(join(tmpdir(), 'quorlix-chromium-'));
const browser = await chromium.launchPersistentContext(profile, {
  executablePath: process.env.QUORLIX_CHROMIUM || '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
         '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
const page = browser.pages()[0] || (await browser.newPage());
// The page's own WASI shim and the tool, answered from disk: no server.
await page.route('http://quorlix.test/**', (route) => {
  const name = new URL(route.request().url()).pathname.slice(1);
  const [path, contentType] = name === 'tool.wasm' ? [wasm, 'application/wasm']
    : name === 'wasi.js' ? [resolve('build-web/site/wasi.js'), 'text/javascript']
    : ['', 'text/html'];
  return path ? route.fulfill({ path, contentType }) : route.fulfill({ body: '', contentType });
});
await page.goto('http://quorlix.test/');

const output = {
  native: () => execFileSync(native, ['bench']).toString(),
  node: () => execFileSync(process.execPath, [resolve('cmake/wasi-run.mjs'), wasm, 'bench']).toString(),
  // A fresh instance each time, as the browser test's bench.
  chromium: () => page.evaluate(async () => {
    const { Wasi } = await import('/wasi.js');
    const chunks = [];
    const wasi = new Wasi({ args: ['quorlix-tool', 'bench'], stdout: (text) => chunks.push(text) });
    const module = await WebAssembly.compileStreaming(fetch('/tool.wasm'));
    wasi.start(await WebAssembly.instantiate(module, wasi.imports));
    return chunks.join('');
  }),
};
const speeds = { native: [], node: [], chromium: [] };
for (let round = 1; round <= rounds; round++) {
  for (const [where, run] of Object.entries(output))
    speeds[where].push(Number(/nps (\d+)/.exec(await run())[1]));
  console.error(`round ${round}: ${Object.values(speeds).map((list) => list.at(-1)).join(' ')}`);
}
await browser.close();
rmSync(profile, { recursive: true, force: true });

const median = (values) => [...values].sort((a, b) => a - b)[(values.length - 1) >> 1];
const [n, w, c] = Object.values(speeds).map(median);
console.log(`bench nodes per second, medians of ${rounds}: native ${n}, node ${w} (${(w / n).toFixed(2)}),` +
            ` Chromium ${c} (${(c / n).toFixed(2)})`);
