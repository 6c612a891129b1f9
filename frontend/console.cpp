#include <cctype>
#include <cstdio>
#include <cstring>

#include "frontend/frontend.hpp"
#include "search/search.hpp"

namespace {

constexpr int WORD_KEEP = 15;  // longer words are read whole but kept this long

// Reads one whitespace-separated word of any length. Keeps its first
// WORD_KEEP characters in `word` and reports whether it was longer, so a long
// word never matches a command. The white space that ends the word stays
// unread, for the xboard mode's first line. Returns 0 at the end of input.
int read_word(char (&word)[WORD_KEEP + 1], bool& too_long) {
  int c;
  do c = getchar();
  while (isspace(c));  // the "C" locale's six white-space characters
  if (c == EOF) return 0;
  int n = 0;
  too_long = false;
  while (c != EOF && !isspace(c)) {
    if (n < WORD_KEEP)
      word[n++] = char(c);
    else
      too_long = true;
    c = getchar();
  }
  if (c != EOF) ungetc(c, stdin);
  word[n] = '\0';
  return 1;
}

}  // namespace

int console_main() {
  printf("Quorlix " QUORLIX_VERSION "\n");
  setup_position();
  int computer_side = BLACK;
  bool display = true;
  char word[WORD_KEEP + 1];
  bool too_long;

  for (;;) {
    if (display) {
      print_board();
      if (in_check) printf("Check!\n");
      if (computer_side == side_to_move) {
        if (think() != 0) return 0;
        continue;
      }
      display = false;
    }
    printf("> ");
    fflush(stdout);
    if (!read_word(word, too_long)) return 0;
    auto is = [&](const char* command) { return !too_long && strcmp(word, command) == 0; };

    if (is("xboard")) return xboard_loop();
    if (is("switch")) {
      computer_side = computer_side == WHITE ? BLACK : WHITE;
      printf("computer is %s\n", computer_side == WHITE ? "White" : "Black");
      display = true;
    } else if (is("off")) {
      computer_side = -1;
    } else if (is("on")) {
      computer_side = side_to_move;
      display = true;
    } else if (is("black")) {
      side_to_move = BLACK;
      computer_side = WHITE;
      in_check = uint8_t(king_attacked(WHITE));
    } else {
      Move move = 0;
      int named = read_move(word, move);
      if (named < 0) {
        printf("move syntax e2e4 etc.\n");
      } else if (named) {
        play_move(move);
        display = true;
      } else {
        printf("illegal move.\n");
      }
    }
  }
}
