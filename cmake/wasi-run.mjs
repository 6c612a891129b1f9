// Runs a WASI command under node the way the tests run a native program:
// the process's own standard input, output and error, and the program's
// exit status.   node wasi-run.mjs PROGRAM.wasm [ARG...]
import { readFile } from 'node:fs/promises';
import { basename } from 'node:path';
import { WASI } from 'node:wasi';

// node warns on stderr that WASI is experimental; the tests read stderr.
process.removeAllListeners('warning');

const [program, ...args] = process.argv.slice(2);
const wasi = new WASI({ version: 'preview1', args: [basename(program, '.wasm'), ...args],
                        returnOnExit: true });
const module = await WebAssembly.compile(await readFile(program));
const instance = await WebAssembly.instantiate(module, wasi.getImportObject());
process.exitCode = wasi.start(instance);
