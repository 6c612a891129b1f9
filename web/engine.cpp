// The page's engine: a WASI reactor module (no main) around the UCI line
// handler. Its worker calls _initialize once, then for each line of UCI
// writes the text into line_buffer() and calls run_line(), which answers on
// standard output line by line, as the native UCI program does, and returns
// once the command is done (after "bestmove" for a go). The exports are named
// on the linker's command line (web/CMakeLists.txt).
#include "frontend/frontend.hpp"

namespace {

// A whole game as "position startpos moves ..." fits many times over.
constexpr int LINE_CAPACITY = 65536;
char line[LINE_CAPACITY];

}  // namespace

extern "C" {

// The buffer's address in the module's memory; the line is written there
// zero-terminated.
char* line_buffer() { return line; }
// Its size in bytes, the terminating zero included.
int line_capacity() { return LINE_CAPACITY; }
// Hands the line to the UCI handler: 0 after "quit", else 1.
int run_line() { return uci_command(line); }

}
