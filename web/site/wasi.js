// The few WASI calls (preview 1) that the engine's modules import, for a
// browser page or worker and for node alike. Standard output and error go to
// callbacks as text, standard input is empty, clocks come from
// performance.now(). Nothing else is provided: a module that needs more fails
// to instantiate with the missing name, rather than failing later.

const SUCCESS = 0;
const BADF = 8;    // not one of the three standard descriptors
const SPIPE = 70;  // seeking a character device
const CLOCK_REALTIME = 0;
const FILETYPE_CHARACTER_DEVICE = 2;
const RIGHTS_READ_WRITE = (1n << 1n) | (1n << 6n);  // fd_read, fd_write

// What proc_exit throws to unwind the module back to start().
export class ProcExit extends Error {
  constructor(code) {
    super(`exit status ${code}`);
    this.code = code;
  }
}

export class Wasi {
  // args: the program's argument vector, its name first. stdout, stderr:
  // called with each piece of text the program writes.
  constructor({ args = [], stdout = () => {}, stderr = () => {} } = {}) {
    const encoder = new TextEncoder();
    const argBytes = args.map((arg) => encoder.encode(`${arg}\0`));
    const outputs = [null, [stdout, new TextDecoder()], [stderr, new TextDecoder()]];
    const view = () => new DataView(this.memory.buffer);
    const isStandard = (fd) => fd >= 0 && fd <= 2;

    // The iovec array: pairs of (address, length), 32 bits each.
    const chunks = (iovs, count) => {
      const memory = view();
      const list = [];
      for (let i = 0; i < count; i++) {
        const address = memory.getUint32(iovs + 8 * i, true);
        list.push(new Uint8Array(this.memory.buffer, address, memory.getUint32(iovs + 8 * i + 4, true)));
      }
      return list;
    };

    this.memory = null;
    this.imports = {
      wasi_snapshot_preview1: {
        args_sizes_get(countAddress, sizeAddress) {
          view().setUint32(countAddress, argBytes.length, true);
          view().setUint32(sizeAddress, argBytes.reduce((sum, bytes) => sum + bytes.length, 0), true);
          return SUCCESS;
        },
        args_get: (pointers, text) => {
          const memory = view();
          for (const [i, bytes] of argBytes.entries()) {
            memory.setUint32(pointers + 4 * i, text, true);
            new Uint8Array(this.memory.buffer, text, bytes.length).set(bytes);
            text += bytes.length;
          }
          return SUCCESS;
        },
        clock_time_get(id, precision, timeAddress) {
          const ms = id === CLOCK_REALTIME ? performance.timeOrigin + performance.now() : performance.now();
          view().setBigUint64(timeAddress, BigInt(Math.round(ms * 1e6)), true);
          return SUCCESS;
        },
        fd_write(fd, iovs, count, writtenAddress) {
          if (fd !== 1 && fd !== 2) return BADF;
          const [write, decoder] = outputs[fd];
          let written = 0;
          for (const bytes of chunks(iovs, count)) {
            write(decoder.decode(bytes, { stream: true }));
            written += bytes.length;
          }
          view().setUint32(writtenAddress, written, true);
          return SUCCESS;
        },
        fd_read(fd, iovs, count, readAddress) {
          if (fd !== 0) return BADF;
          view().setUint32(readAddress, 0, true);  // end of input
          return SUCCESS;
        },
        fd_fdstat_get(fd, statAddress) {
          if (!isStandard(fd)) return BADF;
          // filetype u8, flags u16 at 2, rights base and inheriting u64 at 8 and 16
          const memory = view();
          memory.setUint8(statAddress, FILETYPE_CHARACTER_DEVICE);
          memory.setUint16(statAddress + 2, 0, true);
          memory.setBigUint64(statAddress + 8, RIGHTS_READ_WRITE, true);
          memory.setBigUint64(statAddress + 16, 0n, true);
          return SUCCESS;
        },
        fd_seek: (fd) => (isStandard(fd) ? SPIPE : BADF),
        fd_close: (fd) => (isStandard(fd) ? SUCCESS : BADF),
        proc_exit(code) {
          throw new ProcExit(code);
        },
      },
    };
  }

  // Runs a command module's main; returns its exit status.
  start(instance) {
    this.memory = instance.exports.memory;
    try {
      instance.exports._start();
      return 0;
    } catch (error) {
      if (error instanceof ProcExit) return error.code;
      throw error;
    }
  }

  // Prepares a reactor module (static constructors) for calls to its exports.
  initialize(instance) {
    this.memory = instance.exports.memory;
    instance.exports._initialize();
  }
}
