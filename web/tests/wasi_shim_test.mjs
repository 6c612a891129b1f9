// The page's WASI shim (site/wasi.js) runs the engine's modules as node's own
// WASI does: the same output, exit status and arguments, a working clock,
// and the engine module's UCI exports.
// Environment: QUORLIX_TOOL (quorlix-tool.wasm), QUORLIX_SITE (the built
// site), QUORLIX_WASI_RUN (cmake/wasi-run.mjs); web/CMakeLists.txt sets them.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { readFile } from 'node:fs/promises';
import { join } from 'node:path';
import { test } from 'node:test';
import { Wasi } from '../site/wasi.js';

const { QUORLIX_TOOL: tool, QUORLIX_SITE: site, QUORLIX_WASI_RUN: wasiRun } = process.env;

async function runWithShim(...args) {
  const result = { status: null, stdout: '', stderr: '' };
  const wasi = new Wasi({
    args: ['quorlix-tool', ...args],
    stdout: (text) => (result.stdout += text),
    stderr: (text) => (result.stderr += text),
  });
  const { instance } = await WebAssembly.instantiate(await readFile(tool), wasi.imports);
  result.status = wasi.start(instance);
  return result;
}

function runWithNode(...args) {
  const { status, stdout, stderr } = spawnSync(process.execPath, [wasiRun, tool, ...args], { encoding: 'utf8' });
  return { status, stdout, stderr };
}

test('the tool prints under the shim what it prints under node', async () => {
  for (const args of [
    ['think', '5'],
    ['divide', '2', 'r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R', 'w', 'KQkq', '-', '0', '1'],
    ['perft', '-1'],
  ]) {
    assert.deepEqual(await runWithShim(...args), runWithNode(...args), args.join(' '));
  }
});

test('a bad command ends with status 2 and one line on standard error', async () => {
  const { status, stdout, stderr } = await runWithShim('perft', '99');
  assert.equal(status, 2);
  assert.equal(stdout, '');
  assert.match(stderr, /^quorlix-tool: [^\n]+\n$/);
});

test('the clock measures what the tool spends', async () => {
  const begin = performance.now();
  const { stdout } = await runWithShim('bench', '3');
  const elapsed = performance.now() - begin;
  const ms = Number(/time_ms (\d+)/.exec(stdout)[1]);
  assert.ok(ms > 0 && ms <= elapsed, `bench says ${ms} ms, it took ${elapsed} ms`);
});

test('the engine module answers UCI lines given through its exports', async () => {
  let output = '';
  const wasi = new Wasi({ stdout: (text) => (output += text) });
  const module = await readFile(join(site, 'quorlix.wasm'));
  const { instance } = await WebAssembly.instantiate(module, wasi.imports);
  wasi.initialize(instance);
  const { memory, line_buffer, line_capacity, run_line } = instance.exports;
  const send = (line) => {
    const bytes = new TextEncoder().encode(`${line}\0`);
    assert.ok(bytes.length <= line_capacity());
    new Uint8Array(memory.buffer, line_buffer(), bytes.length).set(bytes);
    output = '';
    return run_line();
  };

  assert.equal(send('uci'), 1);
  assert.match(output, /\nuciok\n$/);
  send('isready');
  assert.equal(output, 'readyok\n');
  send('position startpos moves f2f3 e7e5 g2g4');
  send('go depth 3');
  assert.match(output, /^info depth 1 score mate 1 nodes \d+ nps \d+ time \d+ pv d8h4$/m);
  assert.match(output, /\nbestmove d8h4\n$/);
  assert.equal(send('quit'), 0);
});
