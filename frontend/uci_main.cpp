// quorlix-uci: the UCI front end as a program. A reader thread takes the
// input, so that "stop", "ponderhit", "isready" and "quit" are heard while a
// search runs; every line is handled in order on the main thread by
// uci_command.
//
// Each "go" is numbered as it is read. A "stop" ends the search of the
// latest go read before it, and any before that, whether running or still
// queued; "ponderhit" likewise turns the latest go, a ponder search, into a
// timed one.
//
// End of input ends the program once the lines before it are done, so a
// script may pipe in commands: a "go" still runs to its limit, and one that
// would run until stopped ("go infinite", "go ponder") is stopped.
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

#include "frontend/frontend.hpp"
#include "search/search.hpp"

namespace {

std::mutex queue_mutex;
std::condition_variable line_arrived;
std::deque<std::string> lines;
bool input_ended = false;
bool quitting = false;

// Numbers of the go lines: read so far, started, and the one running (0:
// none). A go numbered up to stop_through is stopped.
long long gos_read = 0, gos_started = 0, running_go = 0;
long long stop_through = 0;
bool latest_go_ponders = false;
bool running_go_endless = false;

bool has_word(const std::string& line, std::string_view word) {
  auto words = uci_words(line);
  return std::find(words.begin(), words.end(), word) != words.end();
}

std::string_view first_word(const std::string& line) {
  auto words = uci_words(line);
  return words.empty() ? std::string_view() : words[0];
}

bool is_endless(const std::string& go_line) {
  return has_word(go_line, "infinite") || has_word(go_line, "ponder");
}

void read_input() {
  std::string line;
  while (std::getline(std::cin, line)) {
    std::string word(first_word(line));
    std::lock_guard<std::mutex> lock(queue_mutex);
    // Out of turn only while a search runs and nothing before it waits, so
    // that replies keep the order of the lines they answer.
    if (word == "isready" && running_go && lines.empty()) {
      fputs("readyok\n", stdout);
      fflush(stdout);
      continue;
    }
    if (word == "go") {
      gos_read++;
      latest_go_ponders = has_word(line, "ponder");
    }
    if (word == "stop") {
      stop_through = gos_read;
      if (running_go) stop_conditions.requested = true;
    }
    if (word == "ponderhit" && latest_go_ponders) uci_ponderhit(gos_read);
    if (word == "quit") {
      stop_conditions.requested = true;
      quitting = true;
    }
    // "stop" and "ponderhit" also go into the queue: a search that ended
    // before them answers them there.
    lines.push_back(std::move(line));
    line_arrived.notify_one();
  }
  std::unique_lock<std::mutex> lock(queue_mutex);
  input_ended = true;
  if (running_go_endless) stop_conditions.requested = true;
  line_arrived.notify_one();
  // Wait for the exit rather than end: under wine, a thread ending as the
  // program exits can be cut off inside the C library's thread exit with
  // the loader's lock held, and the exit then hangs until wineserver kills
  // the program.
  std::condition_variable never;
  never.wait(lock, [] { return false; });
}

}  // namespace

int main() {
  // The reader never ends: it is blocked in a read or a wait when the exit
  // below ends the program, which does not wait for it.
  std::thread(read_input).detach();
  for (;;) {
    std::string line;
    bool is_go;
    {
      std::unique_lock<std::mutex> lock(queue_mutex);
      line_arrived.wait(lock, [] { return !lines.empty() || input_ended; });
      if (lines.empty()) break;
      line = std::move(lines.front());
      lines.pop_front();
      is_go = first_word(line) == "go";
      if (is_go) {
        running_go = ++gos_started;
        running_go_endless = is_endless(line);
        stop_conditions.requested =
            quitting || running_go <= stop_through || (input_ended && running_go_endless);
      }
    }
    int more = uci_command(line.c_str());
    std::lock_guard<std::mutex> lock(queue_mutex);
    if (is_go) {
      running_go = 0;
      running_go_endless = false;
      stop_conditions.requested = false;
    }
    if (!more || quitting) {
      fflush(stdout);
      std::_Exit(0);
    }
  }
  uci_command("stop");
  fflush(stdout);
  std::_Exit(0);
}
