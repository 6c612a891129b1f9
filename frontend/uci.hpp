// What the files of the UCI front end share: its lines in and out, its
// settings, the game as the GUI last described it, and the commands each
// file handles. Private to frontend/.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "frontend/frontend.hpp"
#include "search/search.hpp"

using Words = std::vector<std::string_view>;

// ---- Lines in and out (uci.cpp) --------------------------------------------

// Writes one line and flushes it, in one piece: a host may answer "isready"
// from another thread while the search reports.
void say(const std::string& line);
// A word to echo, cut short: a line may be of any length.
std::string shown(std::string_view word);
// A whole word of digits, with a sign when negative; one too long for any
// integer is taken as the largest (or smallest) there is.
bool read_number(std::string_view text, long long& value);
// Equal but for the case of letters, as GUIs differ in it.
bool same_letters(std::string_view a, std::string_view b);
// A move in UCI form (e2e4, e7e8q, the promotion letter in either case)
// that is legal here; 0 when it is none. A promotion without its letter is
// a queen; a letter on any other move is refused.
Move legal_uci_move(std::string_view text);

// ---- Settings (uci_options.cpp) --------------------------------------------

struct Settings {
  bool ponder = false;  // what the GUI says of itself; "go ponder" is heard either way
  bool limit_strength = false;
  long long elo = 0;
  long long lines = 1;  // MultiPV
  long long move_overhead = 0;
  bool show_wdl = false;
  bool chess960 = false;
  bool analyse_mode = false;
  std::string opponent;
};
extern Settings settings;
void print_options();
void setoption_command(const Words& words);

// ---- The game (uci.cpp) --------------------------------------------------------

struct Game {
  bool known = false;              // false: the next position starts afresh
  std::string start;               // "startpos" or the FEN's fields
  std::vector<std::string> moves;  // played from the start, as the GUI sent them
  // Why the last position could not be set up; while it is not empty, "go"
  // has no position to search.
  std::string error;
};
extern Game game;

// ---- go (uci_go.cpp parses it, uci_search.cpp runs it) -------------------------

struct GoLimits {
  long long wtime = -1, btime = -1, winc = 0, binc = 0;  // -1: not given
  long long movestogo = 0, movetime = -1, depth = 0, nodes = 0, mate = 0;
  bool infinite = false, ponder = false;
  std::vector<std::string_view> searchmoves;  // empty: every move
};
GoLimits read_go(const Words& words);
// The search a go asks for, root moves and lines included, and its node
// budget (0: none); false, with nothing to search, when none of its
// searchmoves is legal here.
bool plan_for(const GoLimits& limits, AnalysisPlan& plan, long long& nodes);

void go_command(const Words& words);
// A search that ended before "stop" or "ponderhit" came answers now.
void flush_pending_bestmove();
