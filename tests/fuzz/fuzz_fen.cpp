// The FEN reader on arbitrary text. A position it accepts must be well
// formed, and the rules must hold on it and on the tree two plies below it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "checks.hpp"

namespace {

// Every node is checked; nodes with children also have their generation
// compared with the plain definition. Returns the leaf count, or -1 when a
// list did not fit the move stack.
long long walk(int depth) {
  check_position(depth > 0);
  if (depth == 0) return 1;
  check_generation();
  Move* start = move_top;
  unsigned drops = dropped_moves;
  generate_moves(ALL_MOVES, side_to_move);
  long long leaves = dropped_moves != drops ? -1 : 0;
  Move* end = move_top;
  for (Move* p = start; p < end; p++) {
    PositionSnapshot before = PositionSnapshot::take();
    int saved_check = in_check;
    int saved_rights = castle_rights;
    int previous_ep;
    make_move(*p, previous_ep);
    FUZZ_CHECK(previous_ep == before.ep);
    long long below = walk(depth - 1);
    castle_rights = saved_rights;
    unmake_move(*p, previous_ep);
    in_check = uint8_t(saved_check);
    EXPECT_SAME(before);
    leaves = below < 0 || leaves < 0 ? -1 : leaves + below;
  }
  move_top = start;
  return leaves;
}

// Each text is read as standard chess's FEN and as Chess960's.
void read_and_walk(const char* text, int (*setup)(const char*, const char**)) {
  reset_search_state();
  const char* error = nullptr;
  if (!setup(text, &error)) {
    FUZZ_CHECK(error != nullptr && error[0] != '\0');
    return;
  }
  FUZZ_CHECK(error == nullptr);
  FUZZ_CHECK(move_top == move_stack);
  long long leaves = walk(2);
  FUZZ_CHECK(move_top == move_stack);

  // The project's own perft walks the same tree.
  PositionSnapshot before = PositionSnapshot::take();
  int saved_check = in_check;
  FUZZ_CHECK(perft(2) == leaves);
  in_check = uint8_t(saved_check);
  EXPECT_SAME(before);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so a read past the terminator is an ASan report.
  std::unique_ptr<char[]> text(new char[size + 1]);
  if (size) std::memcpy(text.get(), data, size);
  text[size] = '\0';
  read_and_walk(text.get(), setup_fen);
  read_and_walk(text.get(), setup_chess960_fen);
  return 0;
}
