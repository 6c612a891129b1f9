// quorlix-uci: the UCI front end as a program. A reader thread takes the
// input, so that "stop", "isready" and "quit" are heard while a search runs;
// every line is handled in order on the main thread by uci_command.
//
// End of input ends the program once the lines before it are done, so a
// script may pipe in commands: a "go" still runs to its limit, and a
// finished "go infinite" answers as if stopped.
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
int searches_pending = 0;  // "go" lines queued or running

std::string first_word(const std::string& line) {
  size_t begin = line.find_first_not_of(" \t\r\v\f");
  if (begin == std::string::npos) return "";
  return line.substr(begin, line.find_first_of(" \t\r\v\f", begin) - begin);
}

void read_input() {
  std::string line;
  while (std::getline(std::cin, line)) {
    std::string word = first_word(line);
    std::lock_guard<std::mutex> lock(queue_mutex);
    if (searches_pending > 0 && word == "isready") {
      fputs("readyok\n", stdout);
      fflush(stdout);
      continue;
    }
    // "stop" also goes into the queue: a finished "go infinite" answers it.
    if (searches_pending > 0 && word == "stop") stop_conditions.requested = true;
    if (word == "quit") {
      stop_conditions.requested = true;
      quitting = true;
    }
    if (word == "go") searches_pending++;
    lines.push_back(std::move(line));
    line_arrived.notify_one();
  }
  std::lock_guard<std::mutex> lock(queue_mutex);
  input_ended = true;
  line_arrived.notify_one();
}

}  // namespace

int main() {
  // The reader may be blocked in a read when the program ends; it is never
  // joined, and the exit below does not wait for it.
  std::thread(read_input).detach();
  for (;;) {
    std::string line;
    {
      std::unique_lock<std::mutex> lock(queue_mutex);
      line_arrived.wait(lock, [] { return !lines.empty() || input_ended; });
      if (lines.empty()) break;
      line = std::move(lines.front());
      lines.pop_front();
    }
    bool is_go = first_word(line) == "go";
    int more = uci_command(line.c_str());
    std::lock_guard<std::mutex> lock(queue_mutex);
    // A "stop" ends the oldest search not yet finished, whether it was
    // running or still queued, and no other.
    if (is_go) {
      searches_pending--;
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
