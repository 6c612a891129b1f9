// parse_move on arbitrary zero-terminated text, held to the move grammar,
// and format_move, whose text must read back as the same move.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "checks.hpp"

namespace {

bool is_file(char c) { return c >= 'a' && c <= 'h'; }
bool is_rank(char c) { return c >= '1' && c <= '8'; }

// The grammar written out independently: square, optional '-' or 'x',
// square, optional promotion letter; the rest is ignored.
bool expected_move(const char* text, Move& move) {
  static const char letters[] = "nbrq";
  static const int types[] = {KNIGHT, BISHOP, ROOK, QUEEN};
  if (!is_file(text[0]) || !is_rank(text[1])) return false;
  const char* to = text[2] == '-' || text[2] == 'x' ? text + 3 : text + 2;
  if (!is_file(to[0]) || !is_rank(to[1])) return false;
  int promotion = 0;
  if (const char* letter = to[2] ? std::strchr(letters, to[2]) : nullptr)
    promotion = types[letter - letters];
  int from_square = 16 * (text[1] - '1') + (text[0] - 'a');
  int to_square = 16 * (to[1] - '1') + (to[0] - 'a');
  move = make_move_word(from_square, to_square, promotion);
  return true;
}

// format_move's text reads back as the move (captured byte aside).
void check_round_trip(Move move) {
  const char* text = format_move(move);
  size_t length = std::strlen(text);
  FUZZ_CHECK(length == (move_promotion(move) ? 5u : 4u));
  Move back = 0;
  FUZZ_CHECK(parse_move(text, back));
  FUZZ_CHECK(back == (move & 0xFFFFFF));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so a read past the terminator is an ASan report.
  std::unique_ptr<char[]> text(new char[size + 1]);
  if (size) std::memcpy(text.get(), data, size);
  text[size] = '\0';

  Move move = 0;
  int parsed = parse_move(text.get(), move);
  Move expected = 0;
  FUZZ_CHECK(parsed == int(expected_move(text.get(), expected)));
  if (parsed) {
    FUZZ_CHECK(move == expected);
    FUZZ_CHECK(on_board(move_from(move)) && on_board(move_to(move)));
    // Whatever word the caller passes in, the three fields come out set.
    Move dirty = 0xA5A5A5A5;
    FUZZ_CHECK(parse_move(text.get(), dirty));
    FUZZ_CHECK((dirty & 0xFFFFFF) == expected);
    check_round_trip(move);
  }

  // Well-formed move words of any squares and promotion, from the bytes.
  if (size >= 3) {
    static const int promotions[] = {0, KNIGHT, BISHOP, ROOK, QUEEN};
    check_round_trip(make_move_word(data[0] & 0x77, data[1] & 0x77, promotions[data[2] % 5]));
  }
  return 0;
}
