#include <csignal>
#include <cstdio>
#include <cstring>

#include "frontend/frontend.hpp"
#include "search/search.hpp"

namespace {

constexpr int LINE_SIZE = 256;  // 255 characters and the terminating zero

bool is_clock_command(const char* line, const char* command) {
  size_t n = strlen(command);
  return strncmp(line, command, n) == 0 && (line[n] == '\0' || line[n] == ' ');
}

}  // namespace

int xboard_loop() {
  // Front ends interrupt engines that announce no features before each move.
  signal(SIGINT, SIG_IGN);
  setup_position();
  int computer_side = BLACK;
  printf("\n");
  char line[LINE_SIZE];

  for (;;) {
    fflush(stdout);
    if (computer_side == side_to_move) {
      think();
      continue;
    }
    if (!fgets(line, sizeof line, stdin)) return 0;
    if (line[0] == '\n') continue;
    size_t length = strlen(line);
    if (length > 0 && line[length - 1] == '\n') line[length - 1] = '\0';

    if (strcmp(line, "xboard") == 0) {
    } else if (strcmp(line, "new") == 0) {
      setup_position();
      computer_side = BLACK;
    } else if (strcmp(line, "white") == 0) {
      side_to_move = WHITE;
      computer_side = BLACK;
      in_check = uint8_t(king_attacked(BLACK));
    } else if (strcmp(line, "force") == 0) {
      computer_side = -1;
    } else if (strcmp(line, "black") == 0) {
      side_to_move = BLACK;
      computer_side = WHITE;
      in_check = uint8_t(king_attacked(WHITE));
    } else if (strcmp(line, "go") == 0) {
      computer_side = side_to_move;
    } else if (is_clock_command(line, "time") || is_clock_command(line, "otim")) {
    } else {
      Move move = 0;
      int named = read_move(line, move);
      if (named < 0)
        printf("Error (unknown command): %s\n", line);
      else if (named)
        play_move(move);
      else
        printf("Illegal move: %s\n", line);
    }
  }
}
