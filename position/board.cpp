// The board is a 0x88 array of 128 bytes. A square is 16 * rank + file, so a
// step that leaves the board sets bit 0x88 and one test catches every edge.
// The 64 bytes that test rejects (the right half of each 16-byte row) would
// be wasted; instead they hold the piece list. Every piece owns a slot
// number for the whole game (White 8..15 and 24..31, Black 72..79 and
// 88..95, kings in 8 and 72), and since every slot has bit value 8 set,
// board[slot] and board[slot + 32] are off-board bytes: the piece's square
// and its type. A square byte names its occupant's slot, so both directions
// of "who is where" are one byte read.
#include "position/bitboards.hpp"
#include "position/castling.hpp"

#include <cstring>

uint8_t board[128];
int side_to_move;
int castle_rights;
int ep_slot;
uint8_t in_check;

Move move_stack[DEEP_MOVE_STACK_SIZE];
Move* move_top = move_stack;
Move* move_limit = move_stack + MOVE_STACK_SIZE;
unsigned dropped_moves;

Move killers[KILLER_PLIES];
int material[2];
int piece_material[2];
int mobility[2];
int node_count;

// The evaluation's values; here because the running totals need them.
const int16_t piece_value[8] = {0, 100, 300, 0, 0, 300, 500, 900};

namespace {

// Piece codes, rank 1 first and file a first within a rank.
const uint8_t start_position[64] = {
    6,    2,    5,    7,    3,    5,    2,    6,
    1,    1,    1,    1,    1,    1,    1,    1,
    0,    0,    0,    0,    0,    0,    0,    0,
    0,    0,    0,    0,    0,    0,    0,    0,
    0,    0,    0,    0,    0,    0,    0,    0,
    0,    0,    0,    0,    0,    0,    0,    0,
    0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41,
    0x46, 0x42, 0x45, 0x47, 0x43, 0x45, 0x42, 0x46,
};

}  // namespace

void place_pieces(const uint8_t* codes) {
  int counter[2] = {WHITE_KING_SLOT + 1, BLACK_KING_SLOT + 1};
  std::memset(pieces_of, 0, sizeof pieces_of);
  std::memset(occupied_by, 0, sizeof occupied_by);
  piece_material[WHITE] = piece_material[BLACK] = 0;
  for (int i = 0; i < 64; i++) {
    int square = make_square(i % 8, i / 8);
    int code = codes[i];
    if (code == 0) {
      board[square] = NO_PIECE;
      continue;
    }
    int type = code_type(code);
    int side = code_side(code);
    int slot;
    if (type == KING) {
      slot = king_slot(side);
    } else {
      slot = counter[side];
      counter[side] = next_slot(counter[side]);
    }
    board[square] = uint8_t(slot);
    board[slot] = uint8_t(square);
    board[slot + TYPE_OFFSET] = uint8_t(type);
    toggle_piece(side, type, square);
    piece_material[side] += piece_value[type];
  }
}

void setup_position() {
  std::memset(board, OFF_BOARD, sizeof board);
  std::memset(killers, 0, sizeof killers);
  place_pieces(start_position);
  move_top = move_stack;
  move_limit = move_stack + MOVE_STACK_SIZE;
  side_to_move = WHITE;
  in_check = 0;
  ep_slot = 0;
  castle_rights = ALL_CASTLING;
  chess960 = false;
  set_castling_squares();
}
