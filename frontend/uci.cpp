// The UCI front end: the engine for the chess programs of today, one line of
// input at a time, so that any host can drive it: quorlix-uci's reader
// thread, or a web page's worker. This file reads the lines and keeps the
// game; the options, go and its search have files of their own.
//
// The game is kept as the GUI last described it, a start and the moves
// played from there. A position that continues it plays only the new moves,
// so that what the search carries from one move to the next (killers, the
// material totals the null-move test reads) evolves exactly as in the
// xboard mode, where the engine's move and the reply are played in turn.
// Any other position starts afresh, as after ucinewgame.
#include "frontend/uci.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <limits>

#include "frontend/clock.hpp"

// ---- Lines in and out --------------------------------------------------------

void say(const std::string& line) {
  fputs((line + "\n").c_str(), stdout);
  fflush(stdout);
}

std::string shown(std::string_view word) {
  constexpr size_t LONGEST_SHOWN = 40;
  return word.size() > LONGEST_SHOWN ? std::string(word.substr(0, LONGEST_SHOWN)) + "..."
                                     : std::string(word);
}

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

Move legal_uci_move(std::string_view text) {
  auto is_file = [](char c) { return c >= 'a' && c <= 'h'; };
  auto is_rank = [](char c) { return c >= '1' && c <= '8'; };
  std::string word(text);
  if (word.size() == 5) word[4] = char(std::tolower((unsigned char)word[4]));
  bool well_formed = (word.size() == 4 || (word.size() == 5 && std::string_view("qrbn").find(
                                                                   word[4]) != std::string::npos)) &&
                     is_file(word[0]) && is_rank(word[1]) && is_file(word[2]) && is_rank(word[3]);
  Move move = 0;
  if (!well_formed || read_move(word.c_str(), move) != 1) return 0;
  if (word.size() == 5 && !is_promotion_type(move_promotion(move))) return 0;
  return move;
}

// ---- The game ------------------------------------------------------------------

Game game;

namespace {

// The start position as a Chess960 one, its castling rooks named by file.
constexpr const char* STANDARD_START_CHESS960 =
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w HAha - 0 1";

// Sets up `start` as the game to continue, with nothing carried over from
// earlier searches. Returns an error text, or null.
const char* start_afresh(const std::string& start) {
  forget_searches();
  game = Game{};
  const char* error = nullptr;
  const char* unused;
  // A failed setup leaves no position at all, but the board a sound one.
  if (settings.chess960) {
    const char* fen = start == "startpos" ? STANDARD_START_CHESS960 : start.c_str();
    if (!setup_chess960_fen(fen, &error)) setup_chess960_fen(STANDARD_START_CHESS960, &unused);
  } else if (start == "startpos") {
    setup_position();
  } else if (!setup_fen(start.c_str(), &error)) {
    if (setup_chess960_fen(start.c_str(), &unused))
      error = "a Chess960 position, which needs UCI_Chess960 set to true";
    setup_position();
  }
  // The searches that a clock allows go far deeper than the engine's own.
  move_limit = move_stack + DEEP_MOVE_STACK_SIZE;
  if (error) return error;
  game.known = true;
  game.start = start;
  return nullptr;
}

// A new game: the start position, and nothing for a position to continue.
void new_game() {
  start_afresh("startpos");
  game.known = false;
  forget_timed_move();
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
    Move move = legal_uci_move(words[k]);
    if (!move) {
      refuse_position("illegal or malformed move " + shown(words[k]));
      return;
    }
    play_move(move);
    game.moves.emplace_back(words[k]);
  }
}

}  // namespace

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
