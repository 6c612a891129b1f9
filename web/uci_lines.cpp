// quorlix-uci for WebAssembly, which has no threads: the line handler that
// the page's worker drives, fed here from standard input one line at a time,
// so that the UCI session transcripts hold it to the native program's bytes.
// With no reader thread nothing is heard during a search ("isready", "stop");
// a script that pipes its lines, as the transcripts do, gets the same
// answers, and end of input stops a "go infinite" as quorlix-uci does.
#include <iostream>
#include <string>

#include "frontend/frontend.hpp"

int main() {
  std::string line;
  while (std::getline(std::cin, line))
    if (!uci_command(line.c_str())) return 0;
  uci_command("stop");
  return 0;
}
