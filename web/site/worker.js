// The engine's Web Worker. It loads the WebAssembly module and hands it the
// page's UCI lines one at a time; each line the engine writes is posted back
// as soon as it is written. A search blocks this worker, never the page.
//
// Messages to the page: {line} for each line of the engine's output, and
// {error} when the module cannot load or stops.
import { Wasi } from './wasi.js';

let pending = '';
const wasi = new Wasi({
  stdout(text) {
    pending += text;
    let end;
    while ((end = pending.indexOf('\n')) >= 0) {
      postMessage({ line: pending.slice(0, end) });
      pending = pending.slice(end + 1);
    }
  },
  stderr: (text) => console.warn(`engine: ${text}`),
});

const engine = (async () => {
  const response = await fetch('quorlix.wasm');
  if (!response.ok) throw new Error(`quorlix.wasm: HTTP status ${response.status}`);
  // Streamed, the browser may keep the compiled code for the next visit; but
  // it takes only application/wasm, and the site must work from any static
  // host, so others get the bytes compiled.
  const { instance } = response.headers.get('Content-Type') === 'application/wasm'
    ? await WebAssembly.instantiateStreaming(response, wasi.imports)
    : await WebAssembly.instantiate(await response.arrayBuffer(), wasi.imports);
  wasi.initialize(instance);
  return instance.exports;
})();

engine.catch((error) => postMessage({ error: `the engine could not be loaded (${error.message})` }));

const encoder = new TextEncoder();
onmessage = async ({ data: line }) => {
  let exports;
  try {
    exports = await engine;
  } catch {
    return;  // already reported
  }
  const bytes = encoder.encode(line);
  if (bytes.length >= exports.line_capacity()) {
    postMessage({ error: `a command of ${bytes.length} bytes is too long for the engine` });
    return;
  }
  const buffer = new Uint8Array(exports.memory.buffer, exports.line_buffer(), bytes.length + 1);
  buffer.set(bytes);
  buffer[bytes.length] = 0;
  try {
    exports.run_line();
  } catch (error) {
    postMessage({ error: `the engine stopped (${error.message})` });
  }
};
