#include "search/search.hpp"

const int16_t piece_value[8] = {0, 100, 300, 0, 0, 300, 500, 900};

static int side_total(int king) {
  int total = 0;
  int slot = next_slot(king);
  for (int i = 0; i < 15; i++, slot = next_slot(slot))
    if (!(board[slot] & 0x80)) total += piece_value[board[slot + TYPE_OFFSET] & 7];
  return total;
}

int evaluate() {
  material[WHITE] = side_total(WHITE_KING_SLOT);
  material[BLACK] = side_total(BLACK_KING_SLOT);
  int score = material[side_to_move] - material[1 - side_to_move];
  score += mobility[side_to_move];
  if (!(castle_rights & (3 << (2 * side_to_move)))) score += 10;
  if (score > EVALUATION_LIMIT) return EVALUATION_LIMIT;
  if (score < -EVALUATION_LIMIT) return -EVALUATION_LIMIT;
  return score;
}

int capture_key(Move move) {
  int victim = move_captured(move);
  if (victim == 0) return 0;
  int attacker = board[move_from(move)];
  return 8 * board[victim + TYPE_OFFSET] + 8 - board[attacker + TYPE_OFFSET];
}
