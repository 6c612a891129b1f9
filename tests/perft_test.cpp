#include <sstream>

#include "chess960_perft.inc"
#include "test_util.hpp"

namespace {

struct PerftCase {
  const char* fen;
  std::vector<long long> counts;  // depth 1, 2, ...
};

// Known legal-chess counts; the deeper ones are checked with quorlix-tool.
const PerftCase cases[] = {
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", {20, 400, 8902, 197281}},
    {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", {48, 2039, 97862}},
    {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", {14, 191, 2812, 43238, 674624}},
    {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", {6, 264, 9467}},
    {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", {44, 1486, 62379}},
    {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
     {46, 2079, 89890}},
};

}  // namespace

TEST(Perft, KnownCountsOfLegalChess) {
  for (const PerftCase& c : cases) {
    for (size_t d = 0; d < c.counts.size(); d++) {
      set_fen(c.fen);
      EXPECT_EQ(perft(int(d) + 1), c.counts[d]) << c.fen << " depth " << d + 1;
    }
  }
}

TEST(Perft, TreeTooBigForTheMoveStackIsAnErrorNotACount) {
  set_fen("7k/6pp/8/8/8/8/QQQQQQQ1/K7 w - - 0 1");
  EXPECT_EQ(perft(2), 219);
  EXPECT_EQ(perft(9), -1);
  EXPECT_EQ(move_top, move_stack);
}

// Counts from an independent engine for Chess960 starts, positions played
// on from them, and castling's hard cases (see the file's comments).
TEST(Perft, Chess960CountsOfAnIndependentEngine) {
  std::istringstream lines(chess960_perft_counts);
  std::string line;
  int positions = 0;
  while (std::getline(lines, line)) {
    size_t semicolon = line.find(';');
    if (line.empty() || line[0] == '#' || semicolon == std::string::npos) continue;
    std::string fen = line.substr(0, semicolon);
    std::istringstream counts(line.substr(semicolon + 1));
    long long expected;
    for (int depth = 1; counts >> expected; depth++) {
      const char* error = nullptr;
      ASSERT_TRUE(setup_chess960_fen(fen.c_str(), &error)) << fen << ": " << error;
      ASSERT_EQ(perft(depth), expected) << fen << " depth " << depth;
    }
    positions++;
  }
  EXPECT_GE(positions, 60);
}
