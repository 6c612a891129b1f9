// The UCI front end: the engine for the chess programs of today, one line of
// input at a time, so that any host can drive it: quorlix-uci's reader
// thread, or a web page's worker.
//
// The game is kept as the GUI last described it, a start and the moves
// played from there. A position that continues it plays only the new moves,
// so that what the search carries from one move to the next (killers, the
// material totals the null-move test reads) evolves exactly as in the
// xboard mode, where the engine's move and the reply are played in turn.
// Any other position starts afresh, as after ucinewgame.
#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <limits>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/clock.hpp"
#include "frontend/frontend.hpp"
#include "frontend/levels.hpp"
#include "search/search.hpp"

namespace {

using Words = std::vector<std::string_view>;

// ---- Lines in and out --------------------------------------------------------

// Each line goes out in one piece: a host may answer "isready" from another
// thread while the search reports.
void say(const std::string& line) {
  fputs((line + "\n").c_str(), stdout);
  fflush(stdout);
}

// Echoed words are cut short: a line may be of any length.
std::string shown(std::string_view word) {
  constexpr size_t LONGEST_SHOWN = 40;
  return word.size() > LONGEST_SHOWN ? std::string(word.substr(0, LONGEST_SHOWN)) + "..."
                                     : std::string(word);
}

}  // namespace

std::vector<std::string_view> uci_words(std::string_view line) {
  std::vector<std::string_view> words;
  constexpr std::string_view blanks = " \t\r\n\v\f";
  for (size_t i = line.find_first_not_of(blanks); i != std::string_view::npos;) {
    size_t end = line.find_first_of(blanks, i);
    words.push_back(line.substr(i, end - i));
    i = end == std::string_view::npos ? end : line.find_first_not_of(blanks, end);
  }
  return words;
}

namespace {

// A whole word of digits, with a sign when negative; one too long for any
// integer is taken as the largest (or smallest) there is.
bool read_number(std::string_view text, long long& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error == std::errc::result_out_of_range)
    value = text[0] == '-' ? std::numeric_limits<long long>::min()
                           : std::numeric_limits<long long>::max();
  else if (error != std::errc())
    return false;
  return end == text.data() + text.size();
}

bool same_letters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower((unsigned char)x) == std::tolower((unsigned char)y);
         });
}

// ---- The game ------------------------------------------------------------------

struct Game {
  bool known = false;              // false: the next position starts afresh
  std::string start;               // "startpos" or the FEN's fields
  std::vector<std::string> moves;  // played from the start, as the GUI sent them
  // Why the last position could not be set up; while it is not empty, "go"
  // has no position to search.
  std::string error;
};
Game game;
// The last move made on the GUI's clock, so that the clock the next go
// gives shows how much the GUI's side of things takes each move.
struct TimedMove {
  bool known = false;
  std::string start;
  size_t plies = 0;  // of the game when it was searched
  long long left = 0, increment = 0, moves_to_go = 0, used = 0;
};
TimedMove last_timed;
long long lag = 0;  // it outlasts games: it belongs to the GUI, not a game
std::string pending_bestmove;  // an endless search answers at "stop" or "ponderhit"

// Forgets what searches carry from move to move, as a new run of the engine
// would have it, and sets up `start` as the game to continue. Returns an
// error text, or null.
const char* start_afresh(const std::string& start) {
  material[WHITE] = material[BLACK] = 0;
  mobility[WHITE] = mobility[BLACK] = 0;
  pv_line = PvLine{};
  follow_pv = 0;
  game = Game{};
  const char* error = nullptr;
  if (start == "startpos")
    setup_position();
  else if (!setup_fen(start.c_str(), &error))
    setup_position();  // a failed setup leaves no position at all
  // The searches that a clock allows go far deeper than the engine's own.
  move_limit = move_stack + DEEP_MOVE_STACK_SIZE;
  if (error) return error;
  game.known = true;
  game.start = start;
  return nullptr;
}

// Plays a move in UCI form (e2e4, e1g1, e7e8q; the promotion letter in
// either case, as some GUIs write it); false, with nothing played, when it
// is not a legal move here. A promotion without its letter is a queen, as
// at the console; a letter on any other move is refused.
bool play_uci_move(std::string_view text) {
  auto is_file = [](char c) { return c >= 'a' && c <= 'h'; };
  auto is_rank = [](char c) { return c >= '1' && c <= '8'; };
  std::string word(text);
  if (word.size() == 5) word[4] = char(std::tolower((unsigned char)word[4]));
  bool well_formed = (word.size() == 4 || (word.size() == 5 && std::string_view("qrbn").find(
                                                                   word[4]) != std::string::npos)) &&
                     is_file(word[0]) && is_rank(word[1]) && is_file(word[2]) && is_rank(word[3]);
  Move move = 0;
  if (!well_formed || read_move(word.c_str(), move) != 1) return false;
  if (word.size() == 5 && move_promotion(move) == 0) return false;
  play_move(move);
  return true;
}

// A new game: the start position, and nothing for a position to continue.
void new_game() {
  start_afresh("startpos");
  game.known = false;
  last_timed.known = false;
}

void flush_pending_bestmove() {
  if (pending_bestmove.empty()) return;
  say(pending_bestmove);
  pending_bestmove.clear();
}

// A position that cannot be set up as the GUI describes it leaves none:
// a move from any other would be illegal or wrong in the GUI's game.
void refuse_position(const std::string& why) {
  start_afresh("startpos");
  game.known = false;
  game.error = why;
  say("info string " + why + "; no position is set up until one is");
}

void position_command(const Words& words) {
  flush_pending_bestmove();
  size_t i = 1;
  std::string start;
  if (i < words.size() && words[i] == "startpos") {
    start = "startpos";
    i++;
  } else if (i < words.size() && words[i] == "fen") {
    for (i++; i < words.size() && words[i] != "moves"; i++) {
      if (!start.empty()) start += ' ';
      start += words[i];
    }
  } else {
    refuse_position("position needs startpos or fen");
    return;
  }
  size_t first_move = words.size();
  if (i < words.size()) {
    if (words[i] == "moves")
      first_move = i + 1;
    else
      say("info string ignored after the position: " + shown(words[i]));
  }
  size_t count = words.size() - first_move;

  bool continues = game.known && start == game.start && count >= game.moves.size();
  for (size_t k = 0; continues && k < game.moves.size(); k++)
    continues = words[first_move + k] == game.moves[k];
  if (!continues) {
    if (const char* error = start_afresh(start)) {
      refuse_position(std::string("bad FEN (") + error + ")");
      return;
    }
  }
  for (size_t k = first_move + game.moves.size(); k < words.size(); k++) {
    if (!play_uci_move(words[k])) {
      refuse_position("illegal or malformed move " + shown(words[k]));
      return;
    }
    game.moves.emplace_back(words[k]);
  }
}

// ---- Options -------------------------------------------------------------------

struct Options {
  bool limit_strength = false;
  int elo = FULL_STRENGTH_ELO;
};
Options options;

void print_options() {
  say("option name Ponder type check default false");
  say("option name UCI_LimitStrength type check default false");
  say("option name UCI_Elo type spin default " + std::to_string(FULL_STRENGTH_ELO) + " min " +
      std::to_string(LOWEST_ELO) + " max " + std::to_string(FULL_STRENGTH_ELO));
}

// "setoption name <id> [value <x>]": names may hold blanks, and GUIs differ
// in their case.
void setoption_command(const Words& words) {
  size_t i = 1;
  if (i >= words.size() || words[i] != "name") {
    say("info string setoption needs: name <option> value <value>");
    return;
  }
  // The words from i up to `until` (or the end), one blank between each.
  auto words_until = [&](std::string_view until) {
    std::string text;
    for (; i < words.size() && words[i] != until; i++) {
      if (!text.empty()) text += ' ';
      text += words[i];
    }
    return text;
  };
  i++;
  std::string name = words_until("value");
  i++;
  std::string value = words_until("");

  auto check = [&](bool& option) {
    if (same_letters(value, "true") || same_letters(value, "false"))
      option = same_letters(value, "true");
    else
      say("info string " + name + " is true or false, not " + shown(value));
  };
  auto spin = [&](auto& option, long long lowest, long long highest) {
    long long number = 0;
    if (!read_number(value, number)) {
      say("info string " + name + " needs a number, not " + shown(value));
      return;
    }
    if (number < lowest || number > highest)
      say("info string " + name + " runs from " + std::to_string(lowest) + " to " +
          std::to_string(highest) + "; " + std::to_string(std::clamp(number, lowest, highest)) +
          " is set");
    option = std::clamp(number, lowest, highest);
  };
  if (same_letters(name, "Ponder")) {
    bool ponder = false;  // GUIs say whether they will ponder; go ponder is heard either way
    check(ponder);
  } else if (same_letters(name, "UCI_LimitStrength")) {
    check(options.limit_strength);
  } else if (same_letters(name, "UCI_Elo")) {
    spin(options.elo, LOWEST_ELO, FULL_STRENGTH_ELO);
  } else {
    say("info string no such option: " + shown(name));
  }
}

// ---- go ----------------------------------------------------------------------------

struct GoLimits {
  long long wtime = -1, btime = -1, winc = 0, binc = 0;  // -1: not given
  long long movestogo = 0, movetime = -1, depth = 0, nodes = 0, mate = 0;
  bool infinite = false, ponder = false, searchmoves = false;
};

// Each keyword of "go", with the number it takes or the flag it sets.
struct GoKeyword {
  std::string_view word;
  long long GoLimits::*number;
  bool GoLimits::*flag;
};
constexpr GoKeyword go_keywords[] = {
    {"wtime", &GoLimits::wtime, nullptr},         {"btime", &GoLimits::btime, nullptr},
    {"winc", &GoLimits::winc, nullptr},           {"binc", &GoLimits::binc, nullptr},
    {"movestogo", &GoLimits::movestogo, nullptr}, {"movetime", &GoLimits::movetime, nullptr},
    {"depth", &GoLimits::depth, nullptr},         {"nodes", &GoLimits::nodes, nullptr},
    {"mate", &GoLimits::mate, nullptr},           {"infinite", nullptr, &GoLimits::infinite},
    {"ponder", nullptr, &GoLimits::ponder},       {"searchmoves", nullptr, &GoLimits::searchmoves},
};

const GoKeyword* go_keyword(std::string_view word) {
  for (const GoKeyword& keyword : go_keywords)
    if (keyword.word == word) return &keyword;
  return nullptr;
}

bool looks_like_move(std::string_view word) {
  return (word.size() == 4 || word.size() == 5) && word[0] >= 'a' && word[0] <= 'h' &&
         word[1] >= '1' && word[1] <= '8';
}

GoLimits read_go(const Words& words) {
  GoLimits limits;
  for (size_t i = 1; i < words.size(); i++) {
    const GoKeyword* keyword = go_keyword(words[i]);
    if (!keyword) {
      say("info string go: unknown word " + shown(words[i]));
      continue;
    }
    if (keyword->flag) {
      limits.*keyword->flag = true;
      if (keyword->flag == &GoLimits::searchmoves) {
        say("info string searchmoves is not supported; every move is searched");
        while (i + 1 < words.size() && looks_like_move(words[i + 1])) i++;
      }
      continue;
    }
    long long number = 0;
    if (i + 1 >= words.size() || !read_number(words[i + 1], number)) {
      say("info string go: " + shown(words[i]) + " needs a number");
      // A word that is no keyword was meant as the number.
      if (i + 1 < words.size() && !go_keyword(words[i + 1])) i++;
      continue;
    }
    i++;
    // A GUI may send a negative time for a side that has overstepped. Any
    // count or time beyond two billion (23 days in milliseconds) is as good
    // as endless, and kept there the deadline's arithmetic cannot overflow.
    constexpr long long LARGEST = 2000000000;
    limits.*keyword->number = std::clamp<long long>(number, 0, LARGEST);
  }
  return limits;
}

// Scores for the protocol: centipawns, or a mate in moves when the line
// shows one (`plies` from mate_distance); a winning score whose mate cannot
// be shown stays in centipawns, at the evaluation's bound.
std::string score_text(int score, int plies) {
  if (score >= -EVALUATION_LIMIT && score <= EVALUATION_LIMIT) return "cp " + std::to_string(score);
  if (plies > 0) return "mate " + std::to_string((plies + 1) / 2);
  if (plies < 0) return "mate -" + std::to_string((1 - plies) / 2);
  return "cp " + std::to_string(score > 0 ? EVALUATION_LIMIT : -EVALUATION_LIMIT);
}

long long microseconds_between(SearchClock::rep from, SearchClock::rep to) {
  return std::chrono::duration_cast<std::chrono::microseconds>(SearchClock::duration(to - from))
      .count();
}

SearchClock::rep clock_now() { return SearchClock::now().time_since_epoch().count(); }

void report(int depth, const std::string& score, long long elapsed_us, const Move* line,
            int length) {
  long long nodes = searched_nodes();
  long long nps = nodes * 1000000 / std::max<long long>(elapsed_us, 1);
  std::string text = "info depth " + std::to_string(depth) + " score " + score + " nodes " +
                     std::to_string(nodes) + " nps " + std::to_string(nps) + " time " +
                     std::to_string(elapsed_us / 1000);
  if (length) text += " pv";
  for (int i = 0; i < length; i++) text += std::string(" ") + format_move(line[i]);
  say(text);
}

// A ponder search runs until "ponderhit" turns it into the timed search its
// "go" describes, its clock starting then, or until "stop". The host's
// reader thread may call uci_ponderhit while the search runs, so what the
// two share is kept under a lock; the gos are numbered as they are handled.
#ifdef __wasi__
// The web build has one thread and a library without mutexes.
struct PonderMutex {};
struct PonderLock {
  explicit PonderLock(PonderMutex&) {}
};
#else
using PonderMutex = std::mutex;
using PonderLock = std::lock_guard<std::mutex>;
#endif
PonderMutex ponder_mutex;
long long gos_handled = 0;
long long pondering_go = 0;  // the go now pondering; 0: none
long long hit_go = 0;        // the latest go that has had its ponderhit
Budget budget;               // the running go's
// When the running go's clock started; NO_DEADLINE while it ponders.
std::atomic<SearchClock::rep> clock_started{NO_DEADLINE};

void start_clock(SearchClock::rep now) {
  if (budget.timed)
    stop_conditions.deadline =
        now + std::chrono::duration_cast<SearchClock::duration>(std::chrono::milliseconds(budget.hard))
                  .count();
  clock_started = now;
}

// Sends the answer of a go, or keeps it for "stop" (or "ponderhit") when the
// search was to run until told to stop. Ends the go's pondering. Returns
// whether the answer went out now.
bool answer(const std::string& text, const GoLimits& limits) {
  bool still_pondering;
  {
    PonderLock lock(ponder_mutex);
    still_pondering = pondering_go != 0;
    pondering_go = 0;
  }
  if ((limits.infinite || still_pondering) && !stop_conditions.requested.load()) {
    pending_bestmove = text;
    return false;
  }
  say(text);
  return true;
}

// What a go does beyond the engine's own deepening: it stops for the clock,
// a node budget (its own or a level's), a proven mate or a request.
struct SearchPlan {
  int depth;            // the deepest iteration asked for
  bool deepens;         // led by a clock or a budget rather than by a depth
  long long mate = 0;   // stop once a mate in this many moves is shown
  long long nodes = 0;  // 0: no budget
};

SearchPlan plan_for(const GoLimits& limits) {
  SearchPlan plan{};
  plan.deepens = limits.infinite || limits.ponder || limits.movetime >= 0 || limits.wtime >= 0 ||
                 limits.btime >= 0 || limits.nodes > 0 || limits.mate > 0;
  plan.mate = limits.mate;
  long long depth = limits.depth > 0   ? limits.depth
                    : limits.mate > 0  ? 2 * limits.mate - 1
                    : plan.deepens     ? DEEPEST_ITERATION
                                       : think_depth;
  if (depth > DEEPEST_ITERATION) {
    if (limits.depth > 0)
      say("info string depth " + std::to_string(depth) +
          " is deeper than the engine goes; it searches " + std::to_string(DEEPEST_ITERATION));
    depth = DEEPEST_ITERATION;
  }
  plan.depth = int(depth);
  plan.nodes = limits.nodes;
  if (options.limit_strength && options.elo < FULL_STRENGTH_ELO) {
    // A level deepens as far as its budget allows, whatever else limits it.
    long long budget = level_nodes(options.elo);
    plan.nodes = plan.nodes ? std::min(plan.nodes, budget) : budget;
    if (limits.depth <= 0 && limits.mate <= 0) plan.depth = DEEPEST_ITERATION;
    plan.deepens = true;
  }
  return plan;
}

// Iterative deepening as the engine does it, and further while the plan
// allows: each iteration reported. The root empties its line as it starts
// and rewrites it only when a move's search has ended, so an iteration
// given up midway leaves either no line or the best move it had proven.
Move deepen(const SearchPlan& plan, SearchClock::rep started, Move& reply) {
  Deepening deepening = start_deepening(plan.depth);
  long long nodes_before = 0;
  Move best = 0;
  for (int d = 1; d <= deepening.last_depth; d++) {
    long long start_nodes = searched_nodes();
    // The first iteration always runs to its end: it is short, and it gives
    // the move to play whatever happens after it.
    int score = d == 1 ? search_iteration(deepening, d)
                       : search_iteration_until_stopped(deepening, d);
    if (pv_line.length) {
      best = pv_line.moves[0];
      reply = pv_line.length > 1 ? pv_line.moves[1] : 0;
    }
    if (d > 1 && stop_conditions.stopped) break;
    SearchClock::rep now = clock_now();
    int plies = mate_distance(score);
    report(d, score_text(score, plies), microseconds_between(started, now), pv_line.moves,
           pv_line.length);
    long long last_nodes = searched_nodes() - start_nodes;
    if (stop_conditions.requested.load() ||
        (stop_conditions.node_limit && searched_nodes() >= stop_conditions.node_limit))
      break;
    if (plan.deepens) {
      // A mate the line shows in full is as good as deeper iterations get.
      if (plies > 0 && plies <= d) break;
      if (plan.mate && plies > 0 && (plies + 1) / 2 <= plan.mate) break;
    }
    SearchClock::rep clock_start = clock_started.load();
    if (budget.timed && clock_start != NO_DEADLINE) {
      double us_per_node =
          double(microseconds_between(started, now)) / double(std::max(searched_nodes(), 1LL));
      if (next_iteration_too_long(budget, microseconds_between(clock_start, now), last_nodes,
                                  nodes_before, us_per_node))
        break;
    }
    nodes_before = last_nodes;
  }
  in_check = uint8_t(deepening.in_check_at_root);
  return best;
}

void go_command(const Words& words) {
  flush_pending_bestmove();
  SearchClock::rep started = clock_now();
  {
    PonderLock lock(ponder_mutex);
    gos_handled++;
  }
  GoLimits limits = read_go(words);
  if (!game.error.empty()) {
    say("info string no position to search: " + game.error);
    answer("bestmove 0000", limits);
    return;
  }
  Move first_legal = first_legal_move();
  if (!first_legal) {
    say(in_check ? "info depth 0 score mate 0" : "info depth 0 score cp 0");
    answer("bestmove 0000", limits);
    return;
  }

  SearchPlan plan = plan_for(limits);
  ClockLimits clock;
  clock.time_left = side_to_move == WHITE ? limits.wtime : limits.btime;
  clock.increment = side_to_move == WHITE ? limits.winc : limits.binc;
  clock.moves_to_go = limits.movestogo;
  clock.movetime = limits.movetime;
  // Two plies on from the last timed move, the clock shows what the GUI took
  // besides the engine's time, unless a new period of moves has begun.
  if (last_timed.known && clock.time_left >= 0 && game.start == last_timed.start &&
      game.moves.size() == last_timed.plies + 2 && last_timed.moves_to_go != 1)
    lag = updated_lag(lag, last_timed.left, last_timed.increment, last_timed.used, clock.time_left);
  last_timed.known = false;
  clock.lag = lag;
  stop_conditions.node_limit = plan.nodes;
  stop_conditions.folded_nodes = 0;
  {
    PonderLock lock(ponder_mutex);
    budget = limits.infinite ? Budget{} : budget_for(clock);
    stop_conditions.deadline = NO_DEADLINE;
    clock_started = NO_DEADLINE;
    if (limits.ponder && hit_go < gos_handled)
      pondering_go = gos_handled;
    else
      start_clock(started);  // not pondering, or the hit came before the search began
  }

  Move reply = 0;
  Move best = deepen(plan, started, reply);
  move_top = move_stack;
  stop_conditions.deadline = NO_DEADLINE;
  stop_conditions.node_limit = 0;

  std::string text = std::string("bestmove ") + format_move(best ? best : first_legal);
  if (best && reply) text += std::string(" ponder ") + format_move(reply);
  SearchClock::rep clock_start = clock_started.load();
  if (answer(text, limits) && clock.time_left >= 0 && clock_start != NO_DEADLINE && game.known)
    last_timed = TimedMove{true,
                           game.start,
                           game.moves.size(),
                           clock.time_left,
                           clock.increment,
                           clock.moves_to_go,
                           microseconds_between(clock_start, clock_now()) / 1000};
}

}  // namespace

void uci_ponderhit(long long go_number) {
  PonderLock lock(ponder_mutex);
  hit_go = std::max(hit_go, go_number);
  if (pondering_go == go_number) {
    pondering_go = 0;
    start_clock(clock_now());
  }
}

int uci_command(const char* line) {
  static bool started = false;
  if (!started) {
    new_game();
    started = true;
  }
  Words words = uci_words(line);
  if (words.empty()) return 1;
  std::string_view command = words[0];
  if (command == "uci") {
    say("id name Quorlix " QUORLIX_VERSION);
    say("id author The Quorlix developers");
    print_options();
    say("uciok");
  } else if (command == "isready") {
    say("readyok");
  } else if (command == "ucinewgame") {
    flush_pending_bestmove();
    new_game();
  } else if (command == "position") {
    position_command(words);
  } else if (command == "go") {
    go_command(words);
  } else if (command == "setoption") {
    setoption_command(words);
  } else if (command == "stop" || command == "ponderhit") {
    // A search that ended before it was told answers now; a running one was
    // told by the host's reader.
    flush_pending_bestmove();
  } else if (command == "quit") {
    return 0;
  } else if (command != "debug" && command != "register") {
    say("info string unknown command: " + shown(command));
  }
  return 1;
}
