// The engine's Web Worker. Its first message is the engine's WebAssembly
// module, compiled once by the page (engine.js); the others are UCI lines,
// handed to the engine one at a time. Each line the engine writes is posted
// back as soon as it is written. A search blocks this worker, never the page.
//
// Messages to the page: {line} for each line of the engine's output, and
// {error} when the module cannot start or stops.
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

let receive;
const engine = new Promise((resolve) => (receive = resolve)).then(async (module) => {
  const instance = await WebAssembly.instantiate(module, wasi.imports);
  wasi.initialize(instance);
  return instance.exports;
});

engine.catch((error) => postMessage({ error: `the engine could not be started (${error.message})` }));

const encoder = new TextEncoder();
onmessage = async ({ data }) => {
  if (data instanceof WebAssembly.Module) {
    receive(data);
    return;
  }
  let exports;
  try {
    exports = await engine;
  } catch {
    return;  // already reported
  }
  const bytes = encoder.encode(data);
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
