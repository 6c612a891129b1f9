#include "test_util.hpp"

TEST(Notation, ParsesTheInputForms) {
  struct Case {
    const char* text;
    int from, to, promotion;
  } cases[] = {
      {"e2e4", 20, 52, 0},   {"e2-e4", 20, 52, 0},  {"e2xe4", 20, 52, 0},
      {"a1h8", 0, 119, 0},   {"e2e4!!", 20, 52, 0}, {"e7e8q", 100, 116, QUEEN},
      {"e7e8r", 100, 116, ROOK}, {"e7e8b", 100, 116, BISHOP}, {"e7e8n", 100, 116, KNIGHT},
      {"e7e8k", 100, 116, 0}, {"e7e8Q", 100, 116, 0}, {"e2e2", 20, 20, 0},
  };
  for (const Case& c : cases) {
    Move m = 0xAB000000;  // the captured byte is left alone
    ASSERT_EQ(parse_move(c.text, m), 1) << c.text;
    EXPECT_EQ(move_from(m), c.from) << c.text;
    EXPECT_EQ(move_to(m), c.to) << c.text;
    EXPECT_EQ(move_promotion(m), c.promotion) << c.text;
    EXPECT_EQ(move_captured(m), 0xAB) << c.text;
  }
}

TEST(Notation, RefusesMalformedMoves) {
  for (const char* text : {"E2E4", "e2Xe4", "e2--e4", "e2:e4", "i2i4", "e9e4", "e0e4", "e2",
                           "e2x", "", "hello", "xboard"}) {
    Move m = 0;
    EXPECT_EQ(parse_move(text, m), 0) << text;
  }
}

TEST(Notation, FormatsSquaresAndPromotionLetters) {
  EXPECT_STREQ(format_move(make_move_word(20, 52)), "e2e4");
  EXPECT_STREQ(format_move(0x0604), "e1g1");
  EXPECT_STREQ(format_move(make_move_word(100, 116, QUEEN)), "e7e8q");
  EXPECT_STREQ(format_move(make_move_word(100, 116, KNIGHT)), "e7e8n");
  EXPECT_STREQ(format_move(make_move_word(19, 3, ROOK) | 0x0B000000u), "d2d1r");
  const char* text = format_move(make_move_word(0, 119));
  format_move(make_move_word(20, 52));
  EXPECT_STREQ(text, "e2e4");  // one shared buffer
}

TEST(Notation, TypedMoveNamesTheLegalMoveAndAPromotionItsPiece) {
  set_fen("7k/4P3/8/8/8/8/8/K7 w - - 0 1");
  struct Case {
    const char* typed;
    const char* played;
  } cases[] = {{"e7e8", "e7e8q"}, {"e7e8q", "e7e8q"}, {"e7e8n", "e7e8n"},
               {"e7e8r", "e7e8r"}, {"e7e8b", "e7e8b"}, {"a1b1q", "a1b1"}, {"a1-b2", "a1b2"}};
  for (const Case& c : cases) {
    Move move = 0;
    ASSERT_EQ(read_move(c.typed, move), 1) << c.typed;
    EXPECT_STREQ(format_move(move), c.played) << c.typed;
    EXPECT_EQ(move_top, move_stack);
  }
  Move move = 0;
  EXPECT_EQ(read_move("e7e6", move), 0);
  EXPECT_EQ(read_move("h8g8", move), 0);  // the other side's king
  EXPECT_EQ(read_move("e7", move), -1);
  EXPECT_EQ(move_top, move_stack);
}

static std::string captured_board() {
  testing::internal::CaptureStdout();
  print_board();
  fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

TEST(Notation, PrintsTheBoardRankEightFirst) {
  setup_position();
  EXPECT_EQ(captured_board(),
            "rnbqkbnr\npppppppp\n........\n........\n........\n........\nPPPPPPPP\nRNBQKBNR\n");
  play_move(generated_move("e2e4"));
  EXPECT_EQ(captured_board(),
            "rnbqkbnr\npppppppp\n........\n........\n....P...\n........\nPPPP.PPP\nRNBQKBNR\n");
}
