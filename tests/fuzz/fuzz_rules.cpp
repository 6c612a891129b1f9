// Games chosen byte by byte: every move is generated, checked against the
// plain definition, and either played for good or made and taken back, with
// the occasional short search in between. After every step the position and
// its mirrors must be consistent, and a move taken back must leave no trace.
#include <cstddef>
#include <cstdint>

#include "../chess960_starts.hpp"
#include "checks.hpp"

namespace {

// Positions rich in castling, en passant, pins and promotions, so short
// inputs reach the rules' corners.
const char* const start_fens[] = {
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "8/8/8/K2pP2r/8/8/8/4k3 w - d6 0 1",
    "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
    "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1",
};
constexpr int STANDARD_FENS = int(sizeof start_fens / sizeof start_fens[0]);
// Chess960: positions where castling is near (both rooks on one side after
// a capture, king and rook on each other's squares, kings on b and g), and
// any start position by its number.
const char* const chess960_fens[] = {
    "1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/1R2K1R1 w GBgb - 0 1",
    "rk4r1/8/8/8/8/8/8/RK4R1 w GAga - 0 1",
    "2rk3r/8/8/8/8/8/8/2RK3R w HChc - 0 1",
    "r4rk1/pppppppp/8/8/8/8/PPPPPPPP/R4RK1 w Ff - 0 1",
    "1r1k2rq/8/8/8/8/8/8/1R1K2RQ b GBgb - 0 1",
    "4k3/8/8/8/8/8/8/1KR4R w K - 0 1",
};
constexpr int CHESS960_FENS = int(sizeof chess960_fens / sizeof chess960_fens[0]);
constexpr int START_CHOICES = 1 + STANDARD_FENS + CHESS960_FENS + 1;

struct Bytes {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  bool left(size_t n) const { return size - at >= n; }
  uint8_t next() { return at < size ? data[at++] : 0; }
};

// A short search or quiescence here must leave the position as it found it;
// its score stays within the score range and its line starts with a move
// of this position.
void search_here(uint8_t choice) {
  static const int windows[][2] = {
      {-INFINITE_SCORE, INFINITE_SCORE}, {-50, 50}, {-1, 0}, {300, 301}};
  const int* window = windows[choice & 3];
  int saved_check = in_check;
  PositionSnapshot before = PositionSnapshot::take();
  follow_pv = 0;
  int score;
  if (choice & 4) {
    score = quiesce(window[0], window[1], 0);
  } else {
    int depth = 1 + ((choice >> 3) & 1);
    PvLine pv;
    score = search(window[0], window[1], depth, depth, 0, 1, pv);
    FUZZ_CHECK(pv.length >= 0 && pv.length <= PV_MAX);
    if (pv.length > 0) {
      generate_moves(ALL_MOVES, side_to_move);
      bool found = false;
      for (Move* p = before.top; p < move_top && !found; p++) found = *p == pv.moves[0];
      move_top = before.top;
      FUZZ_CHECK(found);
    }
  }
  FUZZ_CHECK(score >= -INFINITE_SCORE && score <= INFINITE_SCORE);
  EXPECT_SAME(before);
  // Making and unmaking inside leaves in_check at 0; the search's callers
  // restore it the same way.
  in_check = uint8_t(saved_check);
  check_position(false);
}

// `after_legal`: with the searches' make, whose check test check_position
// holds to the full one (the positions here come from legal moves).
void try_move(Move move, bool search_after, uint8_t search_choice, bool after_legal) {
  PositionSnapshot before = PositionSnapshot::take();
  int saved_check = in_check;
  int saved_rights = castle_rights;
  int previous_ep;
  int check = after_legal ? make_move_after_legal(move, previous_ep) : make_move(move, previous_ep);
  FUZZ_CHECK(previous_ep == before.ep);
  FUZZ_CHECK(check == in_check);
  FUZZ_CHECK(side_to_move != before.side);
  check_position(true);
  check_generation();
  if (search_after) search_here(search_choice);
  castle_rights = saved_rights;
  unmake_move(move, previous_ep);
  in_check = uint8_t(saved_check);
  EXPECT_SAME(before);
  check_position(false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  reset_search_state();
  Bytes bytes{data, size};
  int start = bytes.next() % START_CHOICES;
  const char* error = nullptr;
  if (start == 0) {
    setup_position();
  } else if (start <= STANDARD_FENS) {
    FUZZ_CHECK(setup_fen(start_fens[start - 1], &error));
  } else if (start <= STANDARD_FENS + CHESS960_FENS) {
    FUZZ_CHECK(setup_chess960_fen(chess960_fens[start - 1 - STANDARD_FENS], &error));
  } else {
    int number = bytes.next() << 8;
    number |= bytes.next();
    FUZZ_CHECK(setup_chess960_fen(chess960_start_fen(number).c_str(), &error));
  }
  check_position(true);

  while (bytes.left(2)) {
    uint8_t action = bytes.next();
    uint8_t pick = bytes.next();
    move_top = move_stack;
    check_generation();
    generate_moves(ALL_MOVES, side_to_move);
    int count = int(move_top - move_stack);
    if (count == 0) break;  // mate or stalemate
    Move move = move_stack[pick % count];
    uint8_t search_choice = action >> 3;
    switch (action & 7) {
      case 0: case 1: case 2: case 3: {
        Move* top = move_top;
        int check = play_move(move);
        FUZZ_CHECK(check == in_check && move_top == top);
        check_position(true);
        break;
      }
      case 4: case 5:
        try_move(move, false, 0, (action & 7) == 5);
        break;
      case 6:
        try_move(move, true, search_choice, true);
        break;
      default:
        search_here(search_choice);
        break;
    }
  }
  move_top = move_stack;
  return 0;
}
