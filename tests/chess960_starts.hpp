// Chess960's start positions by their usual numbers (0 to 959; 518 is the
// standard one), as Shredder-FEN, for the tests and the fuzz targets.
#pragma once

#include <string>

inline std::string chess960_start_fen(int number) {
  char rank[9] = "........";
  auto place = [&](char piece, int nth_empty) {
    for (int file = 0; file < 8; file++)
      if (rank[file] == '.' && nth_empty-- == 0) {
        rank[file] = piece;
        return;
      }
  };
  int n = number % 960;
  rank[2 * (n % 4) + 1] = 'B';  // the light-squared bishop
  n /= 4;
  rank[2 * (n % 4)] = 'B';
  n /= 4;
  place('Q', n % 6);
  n /= 6;
  // The knights' two of the five empty files left, in the usual order.
  static const int knights[10][2] = {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {1, 2},
                                     {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4}};
  place('N', knights[n][1]);
  place('N', knights[n][0]);
  place('R', 0);
  place('K', 0);
  place('R', 0);
  std::string rooks;
  for (int file = 7; file >= 0; file--)
    if (rank[file] == 'R') rooks += char('A' + file);
  std::string black(rank);
  for (char& c : black) c = char(c | 32);
  std::string lower = rooks;
  for (char& c : lower) c = char(c | 32);
  return black + "/pppppppp/8/8/8/8/PPPPPPPP/" + rank + " w " + rooks + lower + " - 0 1";
}
