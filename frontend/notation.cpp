#include <cstdio>

#include "frontend/frontend.hpp"

const char piece_letters[9] = ".PNK.BRQ";
char move_text[6];

constexpr char LOWER_CASE = 'a' - 'A';  // Black's letters, and promotion letters

static bool is_file(char c) { return c >= 'a' && c <= 'h'; }
static bool is_rank(char c) { return c >= '1' && c <= '8'; }
static int square_of(const char* text) { return 16 * (text[1] - '1') + (text[0] - 'a'); }

static int promotion_of_letter(char c) {
  switch (c) {
    case 'q': return QUEEN;
    case 'r': return ROOK;
    case 'b': return BISHOP;
    case 'n': return KNIGHT;
    default: return 0;
  }
}

int parse_move(const char* text, Move& move) {
  if (!is_file(text[0]) || !is_rank(text[1])) return 0;
  // The captured-slot byte is the caller's; a failed read keeps the former
  // to-square.
  move = (move & (TO_BITS | CAPTURED_BITS)) | Move(square_of(text));
  const char* to = text + 2;
  if (*to == '-' || *to == 'x') to++;
  if (!is_file(to[0]) || !is_rank(to[1])) return 0;
  move = (move & (FROM_BITS | CAPTURED_BITS)) |
         make_move_word(0, square_of(to), promotion_of_letter(to[2]));
  return 1;
}

const char* format_move(Move move) {
  int from = move_from(move), to = move_to(move);
  move_text[0] = char('a' + file_of(from));
  move_text[1] = char('1' + rank_of(from));
  move_text[2] = char('a' + file_of(to));
  move_text[3] = char('1' + rank_of(to));
  // Chess960's castling is written as the king taking its rook, no letter.
  int promotion = move_promotion(move);
  move_text[4] =
      is_promotion_type(promotion) ? char(piece_letters[promotion] + LOWER_CASE) : '\0';
  move_text[5] = '\0';
  return move_text;
}

void print_board() {
  for (int rank = 7; rank >= 0; rank--) {
    for (int file = 0; file < 8; file++) {
      int slot = board[make_square(file, rank)];
      char c = '.';
      if (slot != NO_PIECE) {
        c = piece_letters[board[slot + TYPE_OFFSET]];
        if (slot_side(slot) == BLACK) c = char(c + LOWER_CASE);
      }
      putchar(c);
    }
    putchar('\n');
  }
}

namespace {

// The generated move between [move_stack, move_top) that a typed move names:
// same squares, and for a promotion the typed piece (none meaning queen).
// Null when there is none.
Move* find_typed_move(Move typed) {
  int wanted = move_promotion(typed) ? move_promotion(typed) : QUEEN;
  for (Move* p = move_stack; p < move_top; p++) {
    if (((*p ^ typed) & (FROM_BITS | TO_BITS)) != 0) continue;
    if (!is_promotion_type(move_promotion(*p)) || move_promotion(*p) == wanted) return p;
  }
  return nullptr;
}

}  // namespace

int read_move(const char* text, Move& move) {
  Move typed = 0;
  if (!parse_move(text, typed)) return -1;
  move_top = move_stack;
  generate_moves(ALL_MOVES, side_to_move);
  Move* found = find_typed_move(typed);
  if (found) move = *found;
  move_top = move_stack;
  return found ? 1 : 0;
}
