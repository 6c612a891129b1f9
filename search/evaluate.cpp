// The leaf score: material, the side to move's mobility (the figure its
// node's generation returned) and a small term for its castling rights.
#include "search/search.hpp"

// For a side to move that holds neither castling right, most often because
// it has castled.
constexpr int NO_CASTLING_RIGHTS_BONUS = 10;

int evaluate() {
  // The running totals equal the sum over each side's non-king slots on
  // the board, which is what the evaluation counts.
  material[WHITE] = piece_material[WHITE];
  material[BLACK] = piece_material[BLACK];
  int score = material[side_to_move] - material[1 - side_to_move];
  score += mobility[side_to_move];
  if (!(castle_rights & castling_rights_of(side_to_move))) score += NO_CASTLING_RIGHTS_BONUS;
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
