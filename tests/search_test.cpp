#include "test_util.hpp"

namespace {

std::string think_output(int depth, int* result = nullptr) {
  testing::internal::CaptureStdout();
  int r = think_to(depth);
  fflush(stdout);
  if (result) *result = r;
  return testing::internal::GetCapturedStdout();
}

// Generates for the side to move, as a search node does before evaluating.
void store_mobility(int mode) {
  Move* start = move_top;
  mobility[side_to_move] = generate_moves(mode, side_to_move);
  move_top = start;
}

}  // namespace

TEST(Evaluate, StartPositionIsTheMobility) {
  setup_position();
  store_mobility(ALL_MOVES);
  EXPECT_EQ(evaluate(), 40);
  EXPECT_EQ(material[WHITE], 8 * 100 + 4 * 300 + 2 * 500 + 900);
  EXPECT_EQ(material[BLACK], material[WHITE]);
}

TEST(Evaluate, MaterialFromTheSideToMoveAndTheCastlingTerm) {
  set_fen("r3k3/8/8/8/8/8/8/R3K2R b Qq - 0 1");
  store_mobility(ALL_MOVES);
  EXPECT_EQ(evaluate(), -500 + mobility[BLACK]);  // Black keeps a right: no bonus
  castle_rights = WHITE_QUEEN_SIDE;
  EXPECT_EQ(evaluate(), -500 + mobility[BLACK] + 10);
  // Captured pieces count nothing; a promoted pawn counts as its new piece.
  set_fen("4k3/P7/8/8/8/8/8/4K3 w - - 0 1");
  evaluate();
  EXPECT_EQ(material[WHITE], 100);
  play_move(generated_move("a7a8q"));
  evaluate();
  EXPECT_EQ(material[WHITE], 900);
}

TEST(Evaluate, ClampedOutOfTheMateRange) {
  set_fen("QQQQQQQQ/QQQQQQQ1/8/8/8/8/8/k3K3 b - - 0 1");
  mobility[BLACK] = 0;
  EXPECT_EQ(evaluate(), -9000);
  EXPECT_EQ(material[WHITE], 15 * 900);  // stored as it is
  side_to_move = WHITE;
  EXPECT_EQ(evaluate(), 9000);
}

TEST(Ordering, CaptureKeys) {
  struct Case {
    const char* fen;
    const char* move;
    int key;
  } cases[] = {
      {"4k3/8/8/3q4/4P3/8/8/4K3 w - - 0 1", "e4d5", 63},
      {"4k3/8/8/3p4/8/8/8/3QK3 w - - 0 1", "d1d5", 9},
      {"4k3/8/8/8/8/8/3r4/4K3 w - - 0 1", "e1d2", 53},
      {"4k3/8/8/3b4/8/4N3/8/4K3 w - - 0 1", "e3d5", 46},
      {"4k3/8/8/3n4/8/8/8/4KB2 w - - 0 1", "f1d3", 0},
      {"4k3/8/8/3n4/8/1B6/8/4K3 w - - 0 1", "b3d5", 19},
  };
  for (const Case& c : cases) {
    set_fen(c.fen);
    Move m = generated_move(c.move);
    ASSERT_NE(m, 0u) << c.move;
    EXPECT_EQ(capture_key(m), c.key) << c.move;
  }
}

TEST(Ordering, PickBestTakesTheFirstOfTheGreatestKeys) {
  set_fen("4k3/8/8/2q1q2p/3P2P1/8/8/7K w - - 0 1");
  Move entries[3] = {generated_move("g4h5"), generated_move("d4c5"), generated_move("d4e5")};
  EXPECT_EQ(capture_key(entries[0]), 15);
  EXPECT_EQ(capture_key(entries[1]), 63);
  EXPECT_EQ(capture_key(entries[2]), 63);
  EXPECT_EQ(pick_best(entries, entries + 3), entries + 1);
  setup_position();
  Move quiet[3] = {generated_move("e2e4"), generated_move("g1f3"), generated_move("a2a3")};
  EXPECT_EQ(pick_best(quiet, quiet + 3), quiet);
}

TEST(Ordering, PvMoveBeforeKillerThenKillerThenNothing) {
  Move entries[3] = {0x1111, 0x2222, 0x3333};
  pv_line = PvLine{};
  pv_line.moves[2] = 0x3333;
  killers[2] = 0x2222;
  follow_pv = 1;
  EXPECT_EQ(find_pv_or_killer(entries, entries + 3, 2), entries + 2);
  EXPECT_EQ(follow_pv, 1);
  pv_line.moves[2] = 0x4444;
  EXPECT_EQ(find_pv_or_killer(entries, entries + 3, 2), entries + 1);
  EXPECT_EQ(follow_pv, 0);
  killers[2] = 0x5555;
  EXPECT_EQ(find_pv_or_killer(entries, entries + 3, 2), nullptr);
  follow_pv = 1;
  EXPECT_EQ(find_pv_or_killer(entries, entries, 2), nullptr);  // empty range
  EXPECT_EQ(follow_pv, 0);
  killers[2] = 0;
  Move zero_free[1] = {0x1111};
  EXPECT_EQ(find_pv_or_killer(zero_free, zero_free + 1, 2), nullptr);
}

TEST(Quiesce, MatedSideScoresMinus9999WhateverTheWindow) {
  set_fen("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1");
  for (int depth : {0, -5, -11}) EXPECT_EQ(quiesce(-50, 50, depth), -9999);
  EXPECT_EQ(move_top, move_stack);
}

TEST(Quiesce, StartPositionStandsPatOnItsMobility) {
  setup_position();
  node_count = 0;
  EXPECT_EQ(quiesce(-10000, 10000, 0), 40);
  EXPECT_EQ(quiesce(100, 200, 0), 40);   // at or below alpha: still the stand-pat score
  EXPECT_EQ(quiesce(-200, -100, 0), 40); // at or above beta: returned at once
  EXPECT_EQ(node_count, 3);
  EXPECT_EQ(move_top, move_stack);
}

TEST(Quiesce, BelowTheFloorInCheckIsMateEvenWithMoves) {
  set_fen("4k3/8/8/8/8/8/8/r3K3 w - - 0 1");
  EXPECT_EQ(quiesce(-10000, 10000, -11), -9999);
  set_fen("4k3/8/8/8/8/8/8/r3K3 w - - 0 1");
  EXPECT_GT(quiesce(-10000, 10000, -10), -9999);  // evasions are searched
}

TEST(Quiesce, SearchesCapturesAndCountsEveryNode) {
  // The knight takes the queen; Black stands pat on -300, its four king
  // moves (e7 is covered) and 10 for having no castling right.
  set_fen("4k3/8/8/3q4/8/4N3/8/4K3 w - - 0 1");
  node_count = 0;
  EXPECT_EQ(quiesce(-10000, 10000, 0), 286);
  EXPECT_EQ(node_count, 2);
  // A plain pawn capture is not searched here, only counted.
  set_fen("4k3/8/8/3q4/4P3/8/8/4K3 w - - 0 1");
  node_count = 0;
  quiesce(-10000, 10000, 0);
  EXPECT_EQ(node_count, 1);
}

TEST(Search, DepthZeroIsQuiescence) {
  setup_position();
  PvLine pv{};
  pv.length = 5;
  node_count = 0;
  EXPECT_EQ(search(-10000, 10000, 0, 3, 0, 1, pv), 40);
  EXPECT_EQ(pv.length, 0);
  EXPECT_EQ(node_count, 1);
}

TEST(Search, RootWithoutMoves) {
  set_fen("rnb1kbnr/pppp1ppp/8/4p3/5PPq/8/PPPPP2P/RNBQKBNR w KQkq - 1 3");
  EXPECT_EQ(search(-10000, 10000, 2, 2, 0, 1, pv_line), -10000);
  EXPECT_EQ(pv_line.length, 0);
  set_fen("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
  EXPECT_EQ(search(-10000, 10000, 2, 2, 0, 1, pv_line), 0);
  EXPECT_EQ(pv_line.length, 0);
}

TEST(Search, NullMoveNeedsFourHundredOfStoredMaterial) {
  // White a queen up; a null move at ply 1 fails high at once.
  set_fen("4k3/8/8/8/8/8/8/Q3K3 w - - 0 1");
  PvLine pv{};
  material[WHITE] = 400;
  node_count = 0;
  // The null child is a quiescence node: Black has 0 - 900 + 5 moves + 10.
  EXPECT_EQ(search(-100, 100, 3, 4, 0, 0, pv), 885);
  EXPECT_EQ(node_count, 2);
  EXPECT_EQ(pv.length, 0);
  set_fen("4k3/8/8/8/8/8/8/Q3K3 w - - 0 1");
  material[WHITE] = 399;
  node_count = 0;
  search(-100, 100, 3, 4, 0, 0, pv);
  EXPECT_GT(node_count, 2);
  // Never at the root, nor directly after another null move, nor at depth 2.
  for (auto [depth, root, null_state] : {std::tuple{3, 3, 0}, {3, 4, 1}, {2, 3, 0}}) {
    set_fen("4k3/8/8/8/8/8/8/Q3K3 w - - 0 1");
    material[WHITE] = 400;
    node_count = 0;
    search(-100, 100, depth, root, null_state, 0, pv);
    EXPECT_GT(node_count, 2) << depth << " " << root << " " << null_state;
  }
}

TEST(Search, KillersOnlyForQuietCutoffsOutsideNullSubtrees) {
  // Any move fails high against beta -9000: the first one picked cuts off.
  set_fen("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  PvLine pv{};
  follow_pv = 0;
  for (Move& k : killers) k = 0;
  search(-10000, -9000, 1, 4, 0, 0, pv);
  EXPECT_EQ(killers[3], generated_move("e1e2"));  // the king's first step
  killers[3] = 0;
  search(-10000, -9000, 1, 4, 2, 0, pv);
  EXPECT_EQ(killers[3], 0u);
  // A capture cutting off is not stored.
  set_fen("4k3/8/8/8/8/8/3p4/4K3 w - - 0 1");
  search(-10000, -9000, 1, 4, 0, 0, pv);
  EXPECT_EQ(killers[3], 0u);
}

TEST(Search, PrincipalVariationHoldsEveryPlyOfADeepSearch) {
  // Kings only: no null move, a full-length line at every depth, deeper
  // than the engine's own searches go. A nonzero null_state keeps the
  // search off the ply tables.
  set_fen("k7/8/8/8/8/8/8/7K w - - 0 1");
  PvLine pv{};
  search(-10000, 10000, 12, 12, 2, 1, pv);
  EXPECT_EQ(pv.length, 12);
  set_fen("k7/8/8/8/8/8/8/7K w - - 0 1");
  search(-10000, 10000, 5, 5, 2, 1, pv);
  EXPECT_EQ(pv.length, 5);
}

// Worked by hand: White's king a1 (moves a2, b1, b2), Black's king h8
// (h7, g8, g7), no castling rights, so each stand-pat score is the side's
// king moves plus 10. Depth 1: every reply leaves Black 3 + 10; four nodes.
// Depth 2: a1a2 first (the line), Black's replies leave White 5 + 10;
// a1b1 is refuted at once (h8h7 becomes the ply-1 killer); a1b2 gives
// White 8 + 10 and wins with 18 after 15 nodes in all.
TEST(Think, HandCheckedShortSearch) {
  set_fen("7k/8/8/8/8/8/8/K7 w - - 0 1");
  int result;
  EXPECT_EQ(think_output(2, &result), "1 -13 1 4 a1a2\n2 18 2 15 a1b2 h8h7\nmove a1b2\n");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(side_to_move, BLACK);
  EXPECT_EQ(board[square("b2")], WHITE_KING_SLOT);
}

TEST(Think, MateInOneScores9999AtEveryDepthAndEndsTheGame) {
  set_fen("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1");
  int result;
  std::string out = think_output(4, &result);
  for (int d = 1; d <= 4; d++) {
    std::string prefix = std::to_string(d) + " 9999 " + std::to_string(d) + " ";
    EXPECT_NE(out.find(prefix), std::string::npos) << out;
  }
  EXPECT_NE(out.find(" a1a8\n"), std::string::npos);
  EXPECT_EQ(out.substr(out.find("move")), "move a1a8\n1-0 {White mates}\n");
  EXPECT_EQ(result, -1);
}

TEST(Think, CheckmatedEngineReportsAndPassesTheTurn) {
  set_fen("rnb1kbnr/pppp1ppp/8/4p3/5PPq/8/PPPPP2P/RNBQKBNR w KQkq - 1 3");
  int result;
  EXPECT_EQ(think_output(7, &result),
            "1 -10000 1 1\n2 -10000 2 2\n3 -10000 3 3\n4 -10000 4 4\n5 -10000 5 5\n"
            "6 -10000 6 6\n7 -10000 7 7\n8 -10000 8 8\n0-1 {Black mates}\n");
  EXPECT_EQ(result, -1);
  EXPECT_EQ(side_to_move, BLACK);
  EXPECT_EQ(in_check, 1);
}

TEST(Think, StalematedEngineReportsADraw) {
  set_fen("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
  int result;
  EXPECT_EQ(think_output(7, &result),
            "1 0 1 1\n2 0 2 2\n3 0 3 3\n4 0 4 4\n5 0 5 5\n6 0 6 6\n7 0 7 7\n"
            "1/2-1/2 {Stalemate}\n");
  EXPECT_EQ(result, -1);
  EXPECT_EQ(side_to_move, WHITE);
}

TEST(Think, InCheckSearchesOnePlyDeeperAndCountsOnward) {
  set_fen("4k3/8/8/8/8/8/8/r3K3 w - - 0 1");
  std::string out = think_output(3);
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 5);  // 4 lines and the move
  int last = -1;
  for (size_t pos = 0; pos < out.size() && out.compare(pos, 4, "move");) {
    int d, score, d2, nodes;
    ASSERT_EQ(sscanf(out.c_str() + pos, "%d %d %d %d", &d, &score, &d2, &nodes), 4);
    EXPECT_EQ(d, d2);
    EXPECT_GT(nodes, last);
    last = nodes;
    pos = out.find('\n', pos) + 1;
  }
}

TEST(Think, PromotionIsAnnouncedWithItsLetter) {
  set_fen("7k/P7/8/8/8/8/8/K7 w - - 0 1");
  std::string out = think_output(3);
  EXPECT_NE(out.find("move a7a8q\n"), std::string::npos) << out;
}

TEST(Think, FullStackNeverFakesAMate) {
  // A node whose generation lost every move is scored statically.
  set_fen("4k3/8/8/8/8/8/8/r3K3 w - - 0 1");
  move_top = move_limit;
  EXPECT_GT(quiesce(-10000, 10000, 0), -9000);
  set_fen("7k/8/8/8/8/8/8/K7 w - - 0 1");
  move_top = move_limit;
  PvLine pv{};
  EXPECT_EQ(search(-10000, 10000, 1, 2, 0, 0, pv), 3 + 10);  // not a stalemate's 0
  move_top = move_stack;
}
