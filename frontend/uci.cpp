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
#include <charconv>
#include <chrono>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/frontend.hpp"
#include "search/search.hpp"

namespace {

using Clock = std::chrono::steady_clock;
using Words = std::vector<std::string_view>;

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

Words split(std::string_view line) {
  Words words;
  constexpr std::string_view blanks = " \t\r\n\v\f";
  for (size_t i = line.find_first_not_of(blanks); i != std::string_view::npos;) {
    size_t end = line.find_first_of(blanks, i);
    words.push_back(line.substr(i, end - i));
    i = end == std::string_view::npos ? end : line.find_first_not_of(blanks, end);
  }
  return words;
}

struct Game {
  bool known = false;              // false: the next position starts afresh
  std::string start;               // "startpos" or the FEN's fields
  std::vector<std::string> moves;  // played from the start, as the GUI sent them
};
Game game;
std::string pending_bestmove;  // a finished "go infinite" answers at "stop"

// Forgets what searches carry from move to move, as a new run of the engine
// would have it, and sets up `start` as the game to continue. Returns an
// error text, or null.
const char* start_afresh(const std::string& start) {
  material[WHITE] = material[BLACK] = 0;
  mobility[WHITE] = mobility[BLACK] = 0;
  pv_line = PvLine{};
  follow_pv = 0;
  game = Game{};
  if (start == "startpos") {
    setup_position();
  } else {
    const char* error = nullptr;
    if (!setup_fen(start.c_str(), &error)) {
      setup_position();  // a failed setup leaves no position at all
      return error;
    }
  }
  game.known = true;
  game.start = start;
  return nullptr;
}

// A move in UCI form: from- and to-square, and a promotion's letter.
bool is_uci_move(std::string_view text) {
  auto is_file = [](char c) { return c >= 'a' && c <= 'h'; };
  auto is_rank = [](char c) { return c >= '1' && c <= '8'; };
  return (text.size() == 4 || (text.size() == 5 && std::string_view("qrbn").find(text[4]) !=
                                                       std::string_view::npos)) &&
         is_file(text[0]) && is_rank(text[1]) && is_file(text[2]) && is_rank(text[3]);
}

// Plays a move in UCI form (e2e4, e1g1, e7e8q); false, with nothing played,
// when it is not a legal move here. A promotion without its letter is a
// queen, as at the console; a letter on any other move is refused.
bool play_uci_move(std::string_view text) {
  if (!is_uci_move(text)) return false;
  std::string word(text);
  Move typed = 0;
  parse_move(word.c_str(), typed);
  move_top = move_stack;
  generate_moves(ALL_MOVES, side_to_move);
  Move* found = find_typed_move(typed);
  bool legal = found && (word.size() == 4 || move_promotion(*found) != 0);
  if (legal) play_move(*found);
  move_top = move_stack;
  return legal;
}

// A new game: the start position, and nothing for a position to continue.
void new_game() {
  start_afresh("startpos");
  game.known = false;
}

void flush_pending_bestmove() {
  if (pending_bestmove.empty()) return;
  say(pending_bestmove);
  pending_bestmove.clear();
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
    say("info string position needs startpos or fen; the start position is set up");
    start_afresh("startpos");
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
      say(std::string("info string bad FEN (") + error + "); the start position is set up");
      return;
    }
  }
  for (size_t k = first_move + game.moves.size(); k < words.size(); k++) {
    if (!play_uci_move(words[k])) {
      say("info string illegal or malformed move " + shown(words[k]) +
          "; the position is the one before it");
      return;
    }
    game.moves.emplace_back(words[k]);
  }
}

struct GoLimits {
  int depth = 0;  // 0: the engine's own
  int nodes = 0;  // 0: none
  long long movetime = -1;
  long long time[2] = {-1, -1};  // per side; -1: not given
  long long increment[2] = {0, 0};
  int moves_to_go = 0;
  bool infinite = false;
};

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

bool takes_number(std::string_view word) {
  for (std::string_view keyword :
       {"wtime", "btime", "winc", "binc", "movestogo", "movetime", "depth", "nodes", "mate"})
    if (word == keyword) return true;
  return false;
}

bool is_go_keyword(std::string_view word) {
  return takes_number(word) || word == "infinite" || word == "ponder" || word == "searchmoves";
}

GoLimits read_go(const Words& words) {
  GoLimits limits;
  for (size_t i = 1; i < words.size(); i++) {
    std::string_view word = words[i];
    if (word == "infinite") {
      limits.infinite = true;
      continue;
    }
    if (word == "ponder") continue;  // never offered
    if (word == "searchmoves") {
      say("info string searchmoves is not supported; every move is searched");
      while (i + 1 < words.size() && is_uci_move(words[i + 1])) i++;
      continue;
    }
    if (!takes_number(word)) {
      say("info string go: unknown word " + shown(word));
      continue;
    }
    long long number = 0;
    if (i + 1 >= words.size() || !read_number(words[i + 1], number)) {
      say("info string go: " + shown(word) + " needs a number");
      // A word that is no keyword was meant as the number.
      if (i + 1 < words.size() && !is_go_keyword(words[i + 1])) i++;
      continue;
    }
    i++;
    // A GUI may send a negative time for a side that has overstepped. Any
    // count or time beyond two billion (23 days in milliseconds) is as good
    // as endless, and kept there the deadline's arithmetic cannot overflow.
    constexpr long long LARGEST = 2000000000;
    int value = int(std::clamp<long long>(number, 0, LARGEST));
    if (word == "wtime") limits.time[WHITE] = value;
    if (word == "btime") limits.time[BLACK] = value;
    if (word == "winc") limits.increment[WHITE] = value;
    if (word == "binc") limits.increment[BLACK] = value;
    if (word == "movestogo") limits.moves_to_go = value;
    if (word == "movetime") limits.movetime = value;
    if (word == "depth") limits.depth = value;
    if (word == "nodes") limits.nodes = value;
  }
  return limits;
}

// How long a move may take, in milliseconds: no iteration starts after
// `soft`, and the one running at `hard` is given up.
struct Budget {
  bool timed = false;
  long long soft = 0, hard = 0;
};

Budget budget_for(const GoLimits& limits, int side) {
  // Taken off every budget: the pipes, the GUI and a busy machine's
  // scheduler all count on the clock too.
  constexpr long long OVERHEAD = 30;
  constexpr long long MOVES_LEFT_GUESS = 30;  // in a game with no moves-to-go
  Budget budget;
  if (limits.infinite) return budget;
  long long hard = -1, soft = -1;
  if (long long left = limits.time[side]; left >= 0) {
    long long usable = left > OVERHEAD ? left - OVERHEAD : 0;
    long long moves = limits.moves_to_go > 0 ? std::min<long long>(limits.moves_to_go, 40)
                                             : MOVES_LEFT_GUESS;
    // The increment comes after the move, so it may share only in the aim.
    soft = usable / moves + limits.increment[side] * 3 / 4;
    hard = std::min(soft * 3, usable * 3 / 4);
  }
  if (limits.movetime >= 0) {
    long long movetime = limits.movetime - std::min<long long>(limits.movetime / 10, OVERHEAD);
    hard = hard < 0 ? movetime : std::min(hard, movetime);
    soft = soft < 0 ? movetime : std::min(soft, movetime);
  }
  if (hard < 0) return budget;
  budget.timed = true;
  budget.hard = std::max<long long>(hard, 1);
  budget.soft = std::min(std::max<long long>(soft, 1), budget.hard);
  return budget;
}

// Mate scores in moves: a side mated at ply p scores p - 10000, and the
// search's scores are otherwise within the evaluation's range.
std::string score_text(int score) {
  if (score > EVALUATION_LIMIT) return "mate " + std::to_string((INFINITE_SCORE - score + 1) / 2);
  if (score < -EVALUATION_LIMIT) return "mate -" + std::to_string((INFINITE_SCORE + score + 1) / 2);
  return "cp " + std::to_string(score);
}

long long microseconds_since(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
}

void report_iteration(int depth, int score, long long elapsed_us) {
  long long ms = elapsed_us / 1000;
  long long nps = (long long)node_count * 1000000 / std::max<long long>(elapsed_us, 1);
  std::string line = "info depth " + std::to_string(depth) + " score " + score_text(score) +
                     " nodes " + std::to_string(node_count) + " nps " + std::to_string(nps) +
                     " time " + std::to_string(ms);
  if (pv_line.length) line += " pv";
  for (int i = 0; i < pv_line.length; i++) line += std::string(" ") + format_move(pv_line.moves[i]);
  say(line);
}

// Whether the next iteration would not end in time: it costs about as many
// times the last one as the last one cost the one before it.
bool next_iteration_too_long(const Budget& budget, long long elapsed_us, int last_nodes,
                             int nodes_before) {
  if (elapsed_us >= budget.soft * 1000) return true;
  double growth = nodes_before > 0 ? double(last_nodes) / nodes_before : 4;
  growth = std::clamp(growth, 2.0, 8.0);
  double us_per_node = double(elapsed_us) / std::max(node_count, 1);
  return elapsed_us + us_per_node * last_nodes * growth > budget.hard * 1000.0;
}

void go_command(const Words& words) {
  flush_pending_bestmove();
  Clock::time_point started = Clock::now();
  GoLimits limits = read_go(words);

  Move first_legal = first_legal_move();
  if (!first_legal) {
    say(in_check ? "info depth 0 score mate 0" : "info depth 0 score cp 0");
    say("bestmove 0000");
    return;
  }

  // Killers and the line hold ten plies, and a side in check searches one
  // more than asked.
  constexpr int DEEPEST = KILLER_PLIES - 1;
  int depth = limits.depth > 0 ? limits.depth : think_depth;
  if (depth > DEEPEST) {
    say("info string depth " + std::to_string(depth) +
        " is deeper than the engine goes; it searches " + std::to_string(DEEPEST));
    depth = DEEPEST;
  }
  int saved_check = in_check;
  int limit = saved_check ? depth + 1 : depth;
  Budget budget = budget_for(limits, side_to_move);
  stop_conditions.node_limit = limits.nodes;
  stop_conditions.has_deadline = budget.timed;
  stop_conditions.deadline = started + std::chrono::milliseconds(budget.hard);

  node_count = 0;
  pv_line = PvLine{};
  Move best = 0;
  int nodes_before = 0;
  // The first iteration always runs to its end: it is short, and it gives
  // the move to play whatever happens after it.
  for (int d = 1; d <= limit; d++) {
    int start_nodes = node_count;
    int score = d == 1 ? search_iteration(d, saved_check)
                       : search_iteration_until_stopped(d, saved_check);
    if (d > 1 && stop_conditions.stopped) break;
    long long elapsed_us = microseconds_since(started);
    report_iteration(d, score, elapsed_us);
    if (pv_line.length) best = pv_line.moves[0];
    int last_nodes = node_count - start_nodes;
    if (stop_conditions.requested.load() || (limits.nodes && node_count >= limits.nodes)) break;
    if (budget.timed && next_iteration_too_long(budget, elapsed_us, last_nodes, nodes_before))
      break;
    nodes_before = last_nodes;
  }
  in_check = uint8_t(saved_check);
  move_top = move_stack;
  stop_conditions.has_deadline = false;
  stop_conditions.node_limit = 0;

  std::string answer = std::string("bestmove ") + format_move(best ? best : first_legal);
  if (limits.infinite && !stop_conditions.requested.load())
    pending_bestmove = answer;
  else
    say(answer);
}

}  // namespace

int uci_command(const char* line) {
  static bool started = false;
  if (!started) {
    new_game();
    started = true;
  }
  Words words = split(line);
  if (words.empty()) return 1;
  std::string_view command = words[0];
  if (command == "uci") {
    say("id name Quorlix " QUORLIX_VERSION);
    say("id author The Quorlix developers");
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
  } else if (command == "stop") {
    flush_pending_bestmove();
  } else if (command == "quit") {
    return 0;
  } else if (command != "debug" && command != "setoption" && command != "register" &&
             command != "ponderhit") {
    say("info string unknown command: " + shown(command));
  }
  return 1;
}
