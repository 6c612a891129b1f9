// The UCI line handler, one line of the input at a time, as the program's
// reader thread and the web page's worker hand them over.
#include <cstring>
#include <string>

#include "stdin_feed.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  silence_stdout();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  think_depth = QUORLIX_FUZZ_DEPTH;
  reset_search_state();
  // The handler keeps its game between lines; each input starts a new one.
  uci_command("ucinewgame");
  std::string text(reinterpret_cast<const char*>(data), size);
  size_t begin = 0;
  while (begin <= text.size()) {
    size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(begin, end - begin);
    line.resize(strlen(line.c_str()));  // the handler reads up to a zero byte
    // A search of the engine's full depth (or "depth 9") costs far more than
    // fuzzing can spend; a node budget bounds it, and a later one wins.
    size_t word = line.find_first_not_of(" \t\r\v\f");
    if (word != std::string::npos && line.compare(word, 2, "go") == 0) line += " nodes 3000";
    if (!uci_command(line.c_str())) break;
    check_structure();
    FUZZ_CHECK(move_top == move_stack);
    begin = end + 1;
  }
  return 0;
}
