// The generator's fast paths must agree with the plain definition (every
// candidate made on the board and tested) in list, order and count.
#include <algorithm>
#include <random>

#include "chess960_starts.hpp"
#include "position/bitboards.hpp"
#include "test_util.hpp"

namespace {

struct Generated {
  int count;
  std::vector<Move> moves;
  bool operator==(const Generated&) const = default;
};

Generated run(int (*generate)(int, int), int mode) {
  Move* start = move_top;
  Generated g;
  g.count = generate(mode, side_to_move);
  g.moves.assign(start, move_top);
  move_top = start;
  return g;
}

int compared = 0;

// What the searches ask of the all-moves list before generating it: its
// best capture (pick_best's first choice, when that takes a piece), that it
// is not judged to fit where it does not, and out of check its first entry when the king's, and
// whether a quiet word is in it, asked of
// `words` (moves of other positions, as killers are) and of the list's own,
// each also with its promotion byte changed.
void compare_parts(const char* where, std::vector<Move> list, const std::vector<Move>& words) {
  Move best = 0;
  if (!list.empty()) {
    Move* first = pick_best(list.data(), list.data() + list.size());
    if (move_captured(*first) != 0) best = *first;
  }
  // A check flag that names no checker leaves the list to the plain definition.
  if (in_check && !king_attacked(1 - side_to_move)) best = 0;
  ASSERT_EQ(best_capture(), best) << where;
  // Never "sure to fit" in less room than the list takes.
  if (!list.empty()) {
    ASSERT_FALSE(list_fits(side_to_move, move_limit - (list.size() - 1))) << where;
  }
  if (in_check) return;
  bool king_first = !list.empty() && is_king_slot(board[move_from(list[0])]);
  ASSERT_EQ(first_king_step(), king_first ? list[0] : 0) << where;
  for (const std::vector<Move>* ws : {&words, const_cast<const std::vector<Move>*>(&list)}) {
    for (Move word : *ws) {
      if (move_captured(word) != 0) continue;
      for (Move w : {word, word ^ Move(QUEEN) << 16}) {
        ASSERT_EQ(quiet_move_is_generated(w) != 0,
                  std::find(list.begin(), list.end(), w) != list.end())
            << where << " " << format_move(w);
      }
    }
  }
}

// Returns the plain all-moves list.
std::vector<Move> compare_here(const char* where, const std::vector<Move>& words = {}) {
  if (const char* fault = mirror_fault()) ADD_FAILURE() << where << ": " << fault;
  std::vector<Move> list;
  for (int mode : {ALL_MOVES, CAPTURES}) {
    PositionSnapshot before = PositionSnapshot::take();
    Generated fast = run(generate_moves, mode);
    Generated plain = run(generate_moves_by_testing, mode);
    EXPECT_TRUE(before.board_equal());
    EXPECT_EQ(fast, plain) << where << " mode " << mode;
    if (mode == ALL_MOVES) list = plain.moves;
    compared++;
  }
  compare_parts(where, list, words);
  return list;
}

// `grandparent`: the list two plies up, where the killers of a ply come from.
void walk(int depth, const char* where, const std::vector<Move>& parent = {},
          const std::vector<Move>& grandparent = {}) {
  std::vector<Move> list = compare_here(where, grandparent);
  if (depth == 0 || testing::Test::HasFailure()) return;
  Move* start = move_top;
  generate_moves(ALL_MOVES, side_to_move);
  for (Move* p = start; p < move_top && !testing::Test::HasFailure(); p++) {
    int saved = castle_rights, previous_ep;
    // The searches' make below the root: its check test is the full one here.
    make_move_after_legal(*p, previous_ep);
    EXPECT_EQ(in_check, king_attacked(1 - side_to_move)) << where << " " << format_move(*p);
    walk(depth - 1, where, list, parent);
    castle_rights = saved;
    unmake_move(*p, previous_ep);
  }
  move_top = start;
}

// Random moves from the position set up, each position compared; the words
// asked of the killer test come from the lists of the two positions before.
void random_game(std::mt19937& rng, int plies, const char* where) {
  std::vector<Move> last, before_last;
  for (int ply = 0; ply < plies && !testing::Test::HasFailure(); ply++) {
    std::vector<Move> earlier = before_last;
    earlier.insert(earlier.end(), last.begin(), last.end());
    before_last = std::move(last);
    last = compare_here(where, earlier);
    move_top = move_stack;
    generate_moves(ALL_MOVES, side_to_move);
    int n = int(move_top - move_stack);
    if (n == 0) break;
    play_move(move_stack[rng() % n]);
  }
  move_top = move_stack;
}

}  // namespace

TEST(FastPaths, GenerationAgreesWithThePlainDefinitionOnTrees) {
  const char* fens[] = {
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
      "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
      "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
      "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
      "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
      // Pins on every kind of line, en passant beside a pinned pawn.
      "4r1k1/8/8/8/b3Q3/2PB4/3KN2r/8 w - - 0 1",
      "8/8/8/K2pP2r/8/8/8/4k3 w - d6 0 1",
      "3k4/8/8/q2Pp3/8/8/8/7K w - e6 0 1",
      "k7/8/4r3/8/1b6/2N5/3P4/4K3 w - - 0 1",
      // Checks from a castling rook, and down a line that en passant opens.
      "5k2/8/8/8/8/8/8/4K2R w K - 0 1",
      "8/6b1/8/8/3Pp3/8/8/K6k b - d3 0 1",
  };
  compared = 0;
  for (const char* fen : fens) {
    set_fen(fen);
    walk(3, fen);
    if (HasFailure()) return;
  }
  EXPECT_GT(compared, 100000);
}

TEST(FastPaths, GenerationAgreesAlongRandomGames) {
  std::mt19937 rng(12345);
  compared = 0;
  for (int game = 0; game < 300 && !HasFailure(); game++) {
    setup_position();
    random_game(rng, 200, "random game");
  }
}

TEST(FastPaths, Chess960GenerationAgreesWithThePlainDefinition) {
  // Castling with the king or a rook already home, king and rook swapping,
  // a rook that shields the king's square, both rooks on one side.
  const char* fens[] = {
      "1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/1R2K1R1 w GBgb - 0 1",
      "rk4r1/8/8/8/8/8/8/RK4R1 w GAga - 0 1",
      "2rk1r2/8/8/8/8/8/8/2RK1R2 w FCfc - 0 1",
      "r4rk1/pppppppp/8/8/8/8/PPPPPPPP/R4RK1 w Ff - 0 1",
      "1r1k2rq/8/8/8/8/8/8/rR1K2RQ w GBg - 0 1",
      "4k3/8/8/8/8/8/8/1KR4R w C - 0 1",
      "bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9",
  };
  compared = 0;
  for (const char* fen : fens) {
    const char* error = nullptr;
    ASSERT_TRUE(setup_chess960_fen(fen, &error)) << fen << ": " << error;
    walk(3, fen);
    if (HasFailure()) return;
  }
  // Random games from random start positions.
  std::mt19937 rng(960);
  for (int game = 0; game < 200 && !HasFailure(); game++) {
    const char* error = nullptr;
    ASSERT_TRUE(setup_chess960_fen(chess960_start_fen(int(rng() % 960)).c_str(), &error));
    random_game(rng, 120, "random Chess960 game");
  }
  EXPECT_GT(compared, 40000);
}

TEST(FastPaths, StaleCheckFlagFollowsThePlainDefinition) {
  // After a mate is reported the flag stays set for the side that mated.
  set_fen("rnb1kbnr/pppp1ppp/8/4p3/5PPq/8/PPPPP2P/RNBQKBNR w KQkq - 1 3");
  side_to_move = BLACK;
  ASSERT_EQ(in_check, 1);
  compare_here("stale check flag");
}

TEST(FastPaths, NoSideTakesItsOwnPawnEnPassant) {
  // The search's null move passes the turn and leaves ep_slot as it was.
  set_fen("4k3/8/8/8/4PP2/8/8/4K3 b - e3 0 1");
  side_to_move = WHITE;
  compare_here("own pawn in ep_slot", {make_move_word(square("f4"), square("e5"))});
}
