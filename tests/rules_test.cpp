#include <algorithm>

#include "position/castling.hpp"
#include "test_util.hpp"

TEST(Attacks, PawnsAttackDiagonallyForward) {
  set_fen("4k3/8/8/8/4P3/8/8/4K3 w - - 0 1");
  EXPECT_EQ(square_attacked(ALL_ATTACKERS, WHITE, square("d5")), 1);
  EXPECT_EQ(square_attacked(ALL_ATTACKERS, WHITE, square("f5")), 1);
  EXPECT_EQ(square_attacked(ALL_ATTACKERS, WHITE, square("e5")), 0);
  EXPECT_EQ(square_attacked(ALL_ATTACKERS, WHITE, square("d3")), 0);
  // The lines-only mode ignores pawns, knights and kings.
  EXPECT_EQ(square_attacked(LINES_ONLY, WHITE, square("d5")), 0);
  set_fen("4k3/8/8/3p4/8/8/8/4K3 w - - 0 1");
  EXPECT_EQ(square_attacked(ALL_ATTACKERS, BLACK, square("c4")), 1);
  EXPECT_EQ(square_attacked(ALL_ATTACKERS, BLACK, square("e4")), 1);
  EXPECT_EQ(square_attacked(ALL_ATTACKERS, BLACK, square("c6")), 0);
}

TEST(Attacks, LinePiecesAndBlockers) {
  set_fen("4k3/8/8/8/3Q4/8/8/R3K2B w - - 0 1");
  EXPECT_EQ(square_attacked(LINES_ONLY, WHITE, square("d8")), 1);  // queen on a file
  EXPECT_EQ(square_attacked(LINES_ONLY, WHITE, square("h8")), 1);  // queen on a diagonal
  EXPECT_EQ(square_attacked(LINES_ONLY, WHITE, square("a5")), 1);  // rook up the a-file
  EXPECT_EQ(square_attacked(LINES_ONLY, WHITE, square("h4")), 1);  // queen along the rank
  EXPECT_EQ(square_attacked(LINES_ONLY, WHITE, square("h2")), 0);  // bishop not on files
  EXPECT_EQ(square_attacked(LINES_ONLY, WHITE, square("f1")), 0);  // the king blocks the rook
  set_fen("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
  EXPECT_EQ(square_attacked(ALL_ATTACKERS, WHITE, square("b2")), 0);  // a rook met on a diagonal
  set_fen("4k3/8/8/8/8/8/4n3/4K3 w - - 0 1");
  EXPECT_EQ(square_attacked(ALL_ATTACKERS, BLACK, square("g1")), 1);  // knight
  EXPECT_EQ(square_attacked(LINES_ONLY, BLACK, square("g1")), 0);
  EXPECT_EQ(square_attacked(ALL_ATTACKERS, BLACK, square("e3")), 0);  // a knight met on a line
}

TEST(Legality, KingCannotStepAlongTheCheckingLine) {
  set_fen("4k3/8/8/8/8/8/8/r3K3 w - - 0 1");
  EXPECT_EQ(move_is_legal(make_move_word(square("e1"), square("f1"))), 0);
  EXPECT_EQ(move_is_legal(make_move_word(square("e1"), square("e2"))), 1);
}

TEST(Legality, PinnedKnightHasNoMoveAndBoardIsRestored) {
  set_fen("4k3/8/8/b7/8/8/3N4/4K3 w - - 0 1");
  PositionSnapshot before = PositionSnapshot::take();
  for (const char* to : {"b1", "b3", "c4", "e4", "f3", "f1"})
    EXPECT_EQ(move_is_legal(make_move_word(square("d2"), square(to))), 0) << to;
  EXPECT_TRUE(before.board_equal());
  int count;
  auto moves = generated(ALL_MOVES, &count);
  for (auto& m : moves) EXPECT_NE(m.substr(0, 2), "d2");
}

// The one castling table that generation, make_move and the FEN reader
// share, against the rules: the king goes two files from e1 (e8) towards
// the corner, the corner's rook lands on the square the king crosses, every
// square between them must be empty, and each side and wing has its own
// right bit: 1 and 2 White's queen and king side, 4 and 8 Black's.
TEST(Castling, TableFollowsTheRules) {
  const char* corners[2][2] = {{"a1", "h1"}, {"a8", "h8"}};
  for (int side : {WHITE, BLACK}) {
    for (int wing : {QUEEN_SIDE, KING_SIDE}) {
      const Castling& c = castlings[side][wing];
      int toward = wing == KING_SIDE ? 1 : -1;
      int rook = square(corners[side][wing]);
      EXPECT_EQ(c.right, 1 << (2 * side + wing));
      EXPECT_EQ(c.king_from, square(side == WHITE ? "e1" : "e8"));
      EXPECT_EQ(c.king_to, c.king_from + 2 * toward);
      EXPECT_EQ(c.rook_from, rook);
      EXPECT_EQ(c.rook_to, c.king_from + toward);
      std::vector<int> between, empty;
      for (int sq = c.king_from + toward; sq != rook; sq += toward) between.push_back(sq);
      for (int sq : c.empty)
        if (sq != NO_SQUARE) empty.push_back(sq);
      std::sort(between.begin(), between.end());
      std::sort(empty.begin(), empty.end());
      EXPECT_EQ(empty, between) << side << " " << wing;
      EXPECT_TRUE(is_castling_step(c.king_from, c.king_to));
      EXPECT_EQ(&castling_of(side, c.king_from, c.king_to), &c);
    }
  }
}

TEST(Legality, CastlingCrossedAndTargetSquares) {
  // f1 attacked: no king-side castling; b1 attacked does not stop the queen side.
  set_fen("1r2kr2/8/8/8/8/8/8/R3K2R w KQ - 0 1");
  auto moves = generated(ALL_MOVES);
  EXPECT_EQ(std::count(moves.begin(), moves.end(), "e1g1"), 0);
  EXPECT_EQ(std::count(moves.begin(), moves.end(), "e1c1"), 1);
  set_fen("2r1k1r1/8/8/8/8/8/8/R3K2R w KQ - 0 1");
  moves = generated(ALL_MOVES);
  EXPECT_EQ(std::count(moves.begin(), moves.end(), "e1g1"), 0);
  EXPECT_EQ(std::count(moves.begin(), moves.end(), "e1c1"), 0);
}

TEST(Legality, EnPassantThatExposesKingOnRankIsIllegal) {
  set_fen("8/8/8/K2pP2r/8/8/8/4k3 w - d6 0 1");
  auto moves = generated(ALL_MOVES);
  EXPECT_EQ(std::count(moves.begin(), moves.end(), "e5d6"), 0);
  PositionSnapshot before = PositionSnapshot::take();
  EXPECT_EQ(move_is_legal(make_move_word(square("e5"), square("d6"))), 0);
  EXPECT_TRUE(before.board_equal());
}

TEST(Legality, EnPassantCaptureOfTheCheckingPawnIsLegal) {
  // The pawn that has just come to d5 checks the king on e4.
  set_fen("8/8/8/3pP3/4K3/8/8/7k w - d6 0 1");
  ASSERT_EQ(in_check, 1);
  auto moves = generated(ALL_MOVES);
  EXPECT_EQ(std::count(moves.begin(), moves.end(), "e5d6"), 1);
}

TEST(Generation, StartPositionOrderAndCount) {
  setup_position();
  int count;
  auto moves = generated(ALL_MOVES, &count);
  std::vector<std::string> expected = {"b1a3", "b1c3", "g1f3", "g1h3", "a2a4", "a2a3", "b2b4",
                                       "b2b3", "c2c4", "c2c3", "d2d4", "d2d3", "e2e4", "e2e3",
                                       "f2f4", "f2f3", "g2g4", "g2g3", "h2h4", "h2h3"};
  EXPECT_EQ(moves, expected);
  EXPECT_EQ(count, 40);
  moves = generated(CAPTURES, &count);
  EXPECT_TRUE(moves.empty());
  EXPECT_EQ(count, 40);
}

TEST(Generation, PromotionsComeQueenRookBishopKnightAndCountOnce) {
  set_fen("7k/4P3/8/8/8/8/8/K7 w - - 0 1");
  for (int mode : {ALL_MOVES, CAPTURES}) {
    int count;
    auto moves = generated(mode, &count);
    std::vector<std::string> promotions(moves.begin(), moves.end());
    promotions.erase(std::remove_if(promotions.begin(), promotions.end(),
                                    [](const std::string& m) { return m.substr(0, 2) != "e7"; }),
                     promotions.end());
    EXPECT_EQ(promotions, (std::vector<std::string>{"e7e8q", "e7e8r", "e7e8b", "e7e8n"}));
    // King a1: a2, b1, b2 legal, no contacts; e7: one move, no contacts.
    EXPECT_EQ(count, 4) << mode;
  }
}

TEST(Generation, CaptureModePushesNoPlainPawnCaptureButCountsIt) {
  set_fen("4k3/8/8/3p4/4P3/8/8/N3K3 w - - 0 1");
  int all_count, capture_count;
  auto all = generated(ALL_MOVES, &all_count);
  auto captures = generated(CAPTURES, &capture_count);
  EXPECT_EQ(all_count, capture_count);
  EXPECT_EQ(std::count(all.begin(), all.end(), "e4d5"), 1);
  EXPECT_TRUE(captures.empty());
  set_fen("4k3/8/8/3p4/8/4N3/8/4K3 w - - 0 1");
  captures = generated(CAPTURES);
  EXPECT_EQ(captures, std::vector<std::string>{"e3d5"});
}

TEST(Generation, EnPassantOnlyInTheReplyAndInBothModes) {
  set_fen("4k3/3p4/8/4P3/8/8/8/4K3 b - - 0 1");
  play_move(generated_move("d7d5"));
  EXPECT_EQ(ep_slot, board[square("d5")]);
  auto captures = generated(CAPTURES);
  EXPECT_EQ(captures, std::vector<std::string>{"e5d6"});
  play_move(generated_move("e1d1"));
  play_move(generated_move("e8d8"));
  auto moves = generated(ALL_MOVES);
  EXPECT_EQ(std::count(moves.begin(), moves.end(), "e5d6"), 0);
}

TEST(Generation, InCheckFarBlockSquaresAndNoCastling) {
  // Check down the e-file: the rook's nearer squares on its rank are
  // illegal, yet it goes on along the ray and blocks on e2.
  set_fen("4r1k1/8/8/8/8/8/R7/4K2R w K - 0 1");
  ASSERT_EQ(in_check, 1);
  auto moves = generated(ALL_MOVES);
  EXPECT_EQ(std::count(moves.begin(), moves.end(), "a2e2"), 1);
  EXPECT_EQ(std::count(moves.begin(), moves.end(), "a2b2"), 0);
  EXPECT_EQ(std::count(moves.begin(), moves.end(), "e1g1"), 0);
}

TEST(Generation, PinnedAlongFileGivesUpTheRayAndItsContacts) {
  // Bishop e2 pinned by the rook on e8: first square of each ray is illegal,
  // so no moves and no contacts from the bishop.
  set_fen("4r1k1/8/8/8/8/8/4B3/4K3 w - - 0 1");
  int count;
  auto moves = generated(ALL_MOVES, &count);
  for (auto& m : moves) EXPECT_NE(m.substr(0, 2), "e2");
  // King e1: d1, f1, d2, f2 legal (e2 own piece: 1 contact). Bishop: nothing.
  EXPECT_EQ(count, 4 + 1);
}

TEST(Generation, NeverTakesAKingButCountsTheContact) {
  // Black to move with White in check: the position the side-setting
  // commands can produce. Taking the king would corrupt the piece list.
  set_fen("4k3/8/8/8/8/8/8/r3K3 w - - 0 1");
  side_to_move = BLACK;
  in_check = 0;
  int count;
  auto moves = generated(ALL_MOVES, &count);
  EXPECT_EQ(std::count(moves.begin(), moves.end(), "a1e1"), 0);
  // Rook: a2..a8 (7), b1 c1 d1 (3), contact e1 (1); king: 5 moves.
  EXPECT_EQ(count, 7 + 3 + 1 + 5);
}

TEST(Generation, FullStackDropsMovesButCountsThem) {
  setup_position();
  move_top = move_limit - 3;
  unsigned drops = dropped_moves;
  int count = generate_moves(ALL_MOVES, WHITE);
  EXPECT_EQ(count, 40);
  EXPECT_EQ(move_top, move_limit);
  EXPECT_EQ(dropped_moves - drops, 17u);
  move_top = move_stack;
}

TEST(MakeUnmake, DoublePushSetsEnPassantAndUnmakeRestores) {
  setup_position();
  PositionSnapshot before = PositionSnapshot::take();
  Move m = generated_move("e2e4");
  int previous_ep = -1;
  EXPECT_EQ(make_move(m, previous_ep), 0);
  EXPECT_EQ(ep_slot, 28);
  EXPECT_EQ(previous_ep, 0);
  EXPECT_EQ(side_to_move, BLACK);
  unmake_move(m, previous_ep);
  EXPECT_TRUE(before.board_equal());
  EXPECT_EQ(side_to_move, WHITE);
  EXPECT_EQ(ep_slot, 0);
  EXPECT_EQ(in_check, 0);
}

TEST(MakeUnmake, EnPassantRemovesAndRestoresThePawn) {
  set_fen("4k3/3p4/8/4P3/8/8/8/4K3 b - - 0 1");
  play_move(generated_move("d7d5"));
  int d5_slot = board[square("d5")];
  PositionSnapshot before = PositionSnapshot::take();
  Move m = generated_move("e5d6");
  ASSERT_NE(m, 0u);
  int previous_ep;
  make_move(m, previous_ep);
  EXPECT_EQ(board[square("d5")], 0);
  EXPECT_EQ(board[d5_slot], OFF_BOARD);
  EXPECT_EQ(previous_ep, d5_slot);
  unmake_move(m, previous_ep);
  EXPECT_TRUE(before.board_equal());
  EXPECT_EQ(ep_slot, d5_slot);
}

TEST(MakeUnmake, CastlingMovesTheRookAndClearsRights) {
  set_fen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  PositionSnapshot before = PositionSnapshot::take();
  Move m = generated_move("e1g1");
  ASSERT_EQ(m, 0x0604u);
  int previous_ep;
  make_move(m, previous_ep);
  EXPECT_EQ(board[square("g1")], WHITE_KING_SLOT);
  EXPECT_EQ(board[board[square("f1")] + TYPE_OFFSET], ROOK);
  EXPECT_EQ(board[square("h1")], 0);
  EXPECT_EQ(board[square("e1")], 0);
  EXPECT_EQ(castle_rights, 12);
  castle_rights = before.rights;
  unmake_move(m, previous_ep);
  EXPECT_TRUE(before.board_equal());
  m = generated_move("e1c1");
  make_move(m, previous_ep);
  EXPECT_EQ(board[board[square("d1")] + TYPE_OFFSET], ROOK);
  castle_rights = before.rights;
  unmake_move(m, previous_ep);
  EXPECT_TRUE(before.board_equal());
}

TEST(MakeUnmake, PromotionsChangeTypeAndBack) {
  set_fen("r5kr/6P1/8/8/8/8/8/4K3 w - - 0 1");
  PositionSnapshot before = PositionSnapshot::take();
  int pawn = board[square("g7")];
  Move m = generated_move("g7h8q");
  ASSERT_NE(m, 0u);
  int previous_ep;
  int taken = board[square("h8")];
  castle_rights = 8;
  EXPECT_EQ(make_move(m, previous_ep), 1);  // the queen on h8 checks the king on g8
  EXPECT_EQ(board[pawn + TYPE_OFFSET], QUEEN);
  EXPECT_EQ(castle_rights, 0);  // the corner's rook is gone, and so is its right
  EXPECT_EQ(board[taken], OFF_BOARD);
  unmake_move(m, previous_ep);
  EXPECT_EQ(board[pawn + TYPE_OFFSET], PAWN);
  EXPECT_TRUE(before.board_equal());
  m = generated_move("g7g8r");
  EXPECT_EQ(m, 0u);  // g8 is occupied
}

TEST(MakeUnmake, RookCapturedOnItsCornerLosesTheRight) {
  set_fen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  play_move(generated_move("h1h8"));
  EXPECT_EQ(castle_rights, 15 & ~WHITE_KING_SIDE & ~BLACK_KING_SIDE);
  // The White rook now in h8 must not let Black castle with it.
  auto moves = generated(ALL_MOVES);
  EXPECT_EQ(std::count(moves.begin(), moves.end(), "e8g8"), 0);
}

TEST(MakeUnmake, RookLeavingACornerClearsThatCornersRight) {
  set_fen("4k3/8/8/8/8/8/8/R3KB1r b Q - 0 1");
  castle_rights = WHITE_QUEEN_SIDE | WHITE_KING_SIDE;
  play_move(generated_move("h1h2"));  // a Black rook leaving h1
  EXPECT_EQ(castle_rights, WHITE_QUEEN_SIDE);
}

TEST(MakeUnmake, MakeReturnsCheckAndUnmakeClearsIt) {
  set_fen("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
  Move m = generated_move("a1a8");
  int previous_ep;
  EXPECT_EQ(make_move(m, previous_ep), 1);
  EXPECT_EQ(in_check, 1);
  unmake_move(m, previous_ep);
  EXPECT_EQ(in_check, 0);
}

TEST(MakeUnmake, PlayMoveShiftsKillers) {
  setup_position();
  for (int i = 0; i < KILLER_PLIES; i++) killers[i] = Move(i + 1);
  play_move(generated_move("e2e4"));
  for (int i = 0; i < KILLER_PLIES - 1; i++) EXPECT_EQ(killers[i], Move(i + 2));
  EXPECT_EQ(killers[KILLER_PLIES - 1], Move(KILLER_PLIES));
}

// Every make/unmake pair in a tree restores the board byte for byte.
static void walk(int depth) {
  if (depth == 0) return;
  Move* start = move_top;
  generate_moves(ALL_MOVES, side_to_move);
  for (Move* p = start; p < move_top; p++) {
    PositionSnapshot before = PositionSnapshot::take();
    int previous_ep;
    make_move(*p, previous_ep);
    walk(depth - 1);
    castle_rights = before.rights;
    unmake_move(*p, previous_ep);
    ASSERT_TRUE(before.board_equal()) << format_move(*p);
    ASSERT_EQ(ep_slot, before.ep);
    ASSERT_EQ(side_to_move, before.side);
    in_check = uint8_t(before.check);
  }
  move_top = start;
}

TEST(MakeUnmake, EveryByteRestoredThroughATree) {
  set_fen("r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1");
  walk(3);
  set_fen("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
  walk(2);
}

// ---- Chess960 ----------------------------------------------------------------

namespace {

void set_chess960_fen(const char* fen) {
  const char* error = nullptr;
  ASSERT_TRUE(setup_chess960_fen(fen, &error)) << fen << ": " << (error ? error : "");
}

bool generates(const std::string& text) {
  auto moves = generated(ALL_MOVES);
  return std::count(moves.begin(), moves.end(), text) == 1;
}

}  // namespace

TEST(Chess960, CastlingNeedsEmptyPathsAndAnUnattackedKingPath) {
  struct Case {
    const char* fen;
    const char* castling;
    bool legal;
    const char* why;
  } cases[] = {
      {"1r2k1r1/8/8/8/8/8/8/1R2KNR1 w GB - 0 1", "e1g1", false, "a knight on the king's path"},
      {"1r2k1r1/8/8/8/8/8/8/1R2KNR1 w GB - 0 1", "e1b1", true, "the other side free"},
      {"4k3/8/8/8/8/8/8/5BKR w H - 0 1", "g1h1", false, "a bishop on the rook's path only"},
      {"4k3/8/8/8/8/8/8/6KR w H - 0 1", "g1h1", true, "the king already on g1"},
      {"4k3/8/8/8/8/8/8/4KR2 w F - 0 1", "e1f1", true, "the rook already on f1"},
      {"4k3/8/8/8/8/8/8/2RK4 w C - 0 1", "d1c1", true, "king and rook swap squares"},
      {"4k3/8/8/8/8/8/8/4K1RR w G - 0 1", "e1g1", true, "an inner rook beside another"},
      {"4k3/8/8/8/8/8/8/rR1K4 w B - 0 1", "d1b1", false, "c1 attacked once its rook is gone"},
      {"4k3/8/8/8/8/8/8/1KR4R w C - 0 1", "b1c1", true, "both rooks on the king's side"},
      {"4k1r1/8/8/8/8/8/8/1K5R w H - 0 1", "b1h1", false, "g1 attacked down the file"},
      {"4k3/8/8/8/8/8/5r2/1K5R w H - 0 1", "b1h1", false, "f1 attacked, the square passed"},
      {"4k3/8/8/8/8/8/3r4/RK6 w A - 0 1", "b1a1", true, "the rook may land where it is attacked"},
      {"4k3/8/8/8/8/8/2r5/RK6 w A - 0 1", "b1a1", false, "c1, where the king lands, attacked"},
  };
  for (const Case& c : cases) {
    set_chess960_fen(c.fen);
    EXPECT_EQ(generates(c.castling), c.legal) << c.fen << ": " << c.why;
  }
}

TEST(Chess960, MakeAndUnmakeOfEveryCastlingShape) {
  const char* cases[][2] = {
      {"4k3/8/8/8/8/8/8/2RK4 w C - 0 1", "d1c1"},  // king and rook swap
      {"4k3/8/8/8/8/8/8/6KR w H - 0 1", "g1h1"},   // the king stays
      {"4k3/8/8/8/8/8/8/4KR2 w F - 0 1", "e1f1"},  // the rook stays
      {"rk6/8/8/8/8/8/8/4K3 b a - 0 1", "b8a8"},   // Black, queen's side
  };
  for (const auto& c : cases) {
    set_chess960_fen(c[0]);
    PositionSnapshot before = PositionSnapshot::take();
    Move m = generated_move(c[1]);
    ASSERT_NE(m, 0u) << c[0];
    EXPECT_TRUE(is_chess960_castling(m));
    int previous_ep;
    make_move(m, previous_ep);
    int home = side_to_move == BLACK ? 0 : 0x70;
    bool king_side = move_to(m) > move_from(m);
    EXPECT_EQ(board[king_slot(1 - side_to_move)], home + (king_side ? 6 : 2)) << c[0];
    int rook = board[home + (king_side ? 5 : 3)];
    EXPECT_EQ(board[rook + TYPE_OFFSET], ROOK) << c[0];
    EXPECT_EQ(castle_rights & castling_rights_of(1 - side_to_move), 0) << c[0];
    EXPECT_EQ(mirror_fault(), nullptr) << c[0];
    castle_rights = before.rights;
    unmake_move(m, previous_ep);
    EXPECT_EQ(before.difference(), nullptr) << c[0];
  }
}

TEST(Chess960, RightsDieWithTheirRookTakenAtHome) {
  set_chess960_fen("1r2k1r1/8/8/8/8/8/B7/1R2K1R1 w GBgb - 0 1");
  play_move(generated_move("a2g8"));
  EXPECT_EQ(castle_rights, WHITE_QUEEN_SIDE | WHITE_KING_SIDE | BLACK_QUEEN_SIDE);
  EXPECT_FALSE(generates("e8g8"));
  EXPECT_TRUE(generates("e8b8"));
}

TEST(Chess960, CastlingFieldsInBothForms) {
  // X-FEN's K and Q name the outermost rooks; a letter an inner one.
  set_chess960_fen("4k3/8/8/8/8/8/8/1KR4R w K - 0 1");
  EXPECT_FALSE(generates("b1h1"));  // the rook on c1 stands in the king's path
  EXPECT_EQ(chess960_castlings[WHITE][KING_SIDE].rook_from, square("h1"));
  set_chess960_fen("4k3/8/8/8/8/8/8/1KR4R w C - 0 1");
  EXPECT_EQ(chess960_castlings[WHITE][KING_SIDE].rook_from, square("c1"));
  set_chess960_fen("rk2r3/8/8/8/8/8/8/RK2R3 w KQkq - 0 1");
  EXPECT_EQ(castle_rights, ALL_CASTLING);
  EXPECT_EQ(chess960_castlings[BLACK][QUEEN_SIDE].rook_from, square("a8"));
  EXPECT_EQ(chess960_castlings[BLACK][KING_SIDE].rook_from, square("e8"));
  const char* refused[] = {
      "4k3/8/8/8/8/8/8/1K5R w A - 0 1",    // no rook on a1
      "4k3/8/8/8/8/8/8/1KR4R w CH - 0 1",  // two rights on one side
      "4k3/8/8/8/8/8/1K6/R6R w H - 0 1",   // the king off its first rank
      "4k3/8/8/8/8/8/8/1K5R w X - 0 1",
  };
  for (const char* fen : refused) {
    const char* error = nullptr;
    EXPECT_FALSE(setup_chess960_fen(fen, &error)) << fen;
    EXPECT_NE(error, nullptr) << fen;
  }
  // The standard reader keeps refusing what only Chess960 can castle.
  const char* error = nullptr;
  EXPECT_FALSE(setup_fen("rk2r3/8/8/8/8/8/8/RK2R3 w KQkq - 0 1", &error));
}
