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
  enum { DISPLAY, GENERATE, PROMPT } step = DISPLAY;
  char word[WORD_KEEP + 1];
  bool too_long;

  for (;;) {
    if (step == DISPLAY) {
      print_board();
      if (in_check) printf("Check!\n");
      if (computer_side == side_to_move) {
        if (think() != 0) return 0;
        continue;
      }
      step = GENERATE;
    }
    if (step == GENERATE) {
      move_top = move_stack;
      generate_moves(ALL_MOVES, side_to_move);
      step = PROMPT;
    }
    printf("> ");
    fflush(stdout);
    if (!read_word(word, too_long)) return 0;
    auto is = [&](const char* command) { return !too_long && strcmp(word, command) == 0; };

    if (is("xboard")) return xboard_loop();
    if (is("switch")) {
      computer_side = computer_side == WHITE ? BLACK : WHITE;
      printf("computer is %s\n", computer_side == WHITE ? "White" : "Black");
      step = DISPLAY;
    } else if (is("off")) {
      computer_side = -1;
    } else if (is("on")) {
      computer_side = side_to_move;
      step = DISPLAY;
    } else if (is("black")) {
      side_to_move = BLACK;
      computer_side = WHITE;
      in_check = uint8_t(king_attacked(WHITE));
      step = GENERATE;
    } else {
      Move typed = 0;
      if (!parse_move(word, typed)) {
        printf("move syntax e2e4 etc.\n");
      } else if (Move* found = find_typed_move(typed)) {
        play_move(*found);
        step = DISPLAY;
      } else {
        printf("illegal move.\n");
      }
    }
  }
}
