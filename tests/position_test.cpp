#include "test_util.hpp"

TEST(Setup, StartPositionSlotsAndPieceList) {
  setup_position();
  EXPECT_EQ(board[4], 8);
  EXPECT_EQ(board[8], 4);
  EXPECT_EQ(board[40], KING);
  EXPECT_EQ(board[116], 72);
  EXPECT_EQ(board[72], 116);
  EXPECT_EQ(board[104], KING);
  EXPECT_EQ(board[0], 9);
  EXPECT_EQ(board[41], ROOK);
  EXPECT_EQ(board[103], 88);
  EXPECT_EQ(board[88], 103);
  EXPECT_EQ(board[120], PAWN);
  EXPECT_EQ(board[112], 89);
  for (int sq = 0x20; sq < 0x60; sq++) {
    if (!on_board(sq)) continue;
    EXPECT_EQ(board[sq], 0) << sq;
  }
  for (int i = 0; i < 128; i++) {
    if (on_board(i)) continue;
    EXPECT_NE(board[i], OFF_BOARD) << "piece-list byte " << i;
  }
}

TEST(Setup, MidGameSetupRestoresEverything) {
  setup_position();
  PositionSnapshot fresh = PositionSnapshot::take();
  play_move(generated_move("e2e4"));
  play_move(generated_move("d7d5"));
  killers[3] = 1234;
  move_top = move_stack + 17;
  setup_position();
  EXPECT_TRUE(fresh.board_equal());
  EXPECT_EQ(side_to_move, WHITE);
  EXPECT_EQ(castle_rights, 15);
  EXPECT_EQ(ep_slot, 0);
  EXPECT_EQ(in_check, 0);
  EXPECT_EQ(move_top, move_stack);
  for (Move k : killers) EXPECT_EQ(k, 0u);
}

TEST(Setup, SlotWalkVisitsSixteenSlotsPerSide) {
  for (int side : {WHITE, BLACK}) {
    int slot = king_slot(side);
    std::vector<int> seen;
    for (int i = 0; i < 16; i++, slot = next_slot(slot)) seen.push_back(slot);
    int base = 64 * side;
    std::vector<int> expected = {8, 9, 10, 11, 12, 13, 14, 15, 24, 25, 26, 27, 28, 29, 30, 31};
    for (int& e : expected) e += base;
    EXPECT_EQ(seen, expected);
  }
}

TEST(Setup, FenUsesTheSameSlotScheme) {
  set_fen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  uint8_t from_fen[128];
  std::memcpy(from_fen, board, sizeof board);
  setup_position();
  EXPECT_EQ(std::memcmp(from_fen, board, sizeof board), 0);
}

TEST(Setup, FenSetsEnPassantSlotAndCheck) {
  set_fen("rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 3");
  EXPECT_EQ(ep_slot, board[square("d5")]);
  EXPECT_EQ(in_check, 0);
  set_fen("4k3/8/8/8/8/8/8/r3K3 w - - 0 1");
  EXPECT_EQ(in_check, 1);
}

TEST(Setup, BadFenIsRefused) {
  const char* bad[] = {
      "",
      "8/8/8/8/8/8/8/8 w - - 0 1",                    // no kings
      "4k3/8/8/8/8/8/8/4K2K w - - 0 1",               // two white kings
      "4k3/8/8/8/8/8/8/4K3 x - - 0 1",                // side
      "4k3/8/8/8/8/8/8/4K3 w",                        // too few fields
      "4k3/8/8/8/8/8/8/4K3 w - - 0 1 extra",          // too many fields
      "4k3/8/8/8/8/8/8/4K3/8 w - - 0 1",              // nine ranks
      "4k3/8/8/8/8/8/8/4K4 w - - 0 1",                // nine files
      "4k3/8/8/8/8/8/8/4X3 w - - 0 1",                // letter
      "P3k3/8/8/8/8/8/8/4K3 w - - 0 1",               // pawn on the last rank
      "4k3/8/8/8/8/8/8/p3K3 w - - 0 1",               // pawn on the first rank
      "4k3/8/8/8/8/8/8/4K2R w Q - 0 1",               // right without rook
      "4k3/8/8/8/8/8/8/4K3 w - e3 0 1",               // ep without pawn
      "4k3/8/8/8/8/8/8/4K3 w - - x 1",                // counter
      "4k3/4R3/8/8/8/8/8/4K3 w - - 0 1",              // side not to move in check
      "7k/8/8/8/8/NNNNNNNN/PPPPPPPP/RK6 w - - 0 1",     // 18 white pieces
  };
  for (const char* fen : bad) {
    const char* error = nullptr;
    EXPECT_EQ(setup_fen(fen, &error), 0) << fen;
    EXPECT_NE(error, nullptr) << fen;
  }
}
