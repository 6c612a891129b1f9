// Position and rules: the one game position, its move stack, and the
// operations that generate, test, make and unmake legal chess moves.
#pragma once

#include <cstdint>

// ---- Encodings -------------------------------------------------------------

// A 32-bit move word: from-square | to-square << 8 | promotion type << 16 |
// captured slot << 24. Zero never denotes a real move.
using Move = uint32_t;

constexpr int move_from(Move m) { return m & 0xFF; }
constexpr int move_to(Move m) { return (m >> 8) & 0xFF; }
constexpr int move_promotion(Move m) { return (m >> 16) & 0xFF; }
constexpr int move_captured(Move m) { return m >> 24; }
constexpr Move make_move_word(int from, int to, int promotion = 0) {
  return Move(from) | Move(to) << 8 | Move(promotion) << 16;
}

// Piece types: bit value 4 marks a slider; for sliders bit value 1 means
// diagonal and bit value 2 orthogonal.
enum PieceType : int {
  PAWN = 1,
  KNIGHT = 2,
  KING = 3,
  BISHOP = 5,
  ROOK = 6,
  QUEEN = 7,
};
constexpr int SLIDER = 4;
constexpr int DIAGONAL_BIT = 1;
constexpr int ORTHOGONAL_BIT = 2;

constexpr int WHITE = 0;
constexpr int BLACK = 1;
constexpr int BLACK_PIECE_CODE = 0x40;  // added to a type in a piece code

constexpr int NO_PIECE = 0;  // an empty square, or "no slot"
constexpr uint8_t OFF_BOARD = 0xFF;  // piece-list value of a slot not on the board
constexpr int WHITE_KING_SLOT = 8;
constexpr int BLACK_KING_SLOT = 72;
constexpr int BLACK_SLOT_BIT = 64;  // slots of Black are 72..95
constexpr int TYPE_OFFSET = 32;  // board[slot + 32] is the slot's piece type

constexpr int king_slot(int side) { return WHITE_KING_SLOT + BLACK_SLOT_BIT * side; }
constexpr int slot_side(int slot) { return slot >= BLACK_KING_SLOT ? BLACK : WHITE; }
constexpr bool is_king_slot(int slot) { return (slot & ~BLACK_SLOT_BIT) == WHITE_KING_SLOT; }
constexpr int next_slot(int slot) { return (slot + 1) | 8; }
constexpr bool on_board(int square) { return (square & 0x88) == 0; }
constexpr int rank_of(int square) { return square >> 4; }
constexpr int file_of(int square) { return square & 7; }

enum Square : int {
  A1 = 0x00, B1, C1, D1, E1, F1, G1, H1,
  A8 = 0x70, B8, C8, D8, E8, F8, G8, H8,
};

// Castling-right bits.
constexpr int WHITE_QUEEN_SIDE = 1;
constexpr int WHITE_KING_SIDE = 2;
constexpr int BLACK_QUEEN_SIDE = 4;
constexpr int BLACK_KING_SIDE = 8;
constexpr int ALL_CASTLING = 15;

// Modes of generate_moves.
constexpr int ALL_MOVES = 255;  // every legal move
constexpr int CAPTURES = 0;     // captures, promotions and en passant only

constexpr int MOVE_STACK_SIZE = 512;
constexpr int KILLER_PLIES = 10;

// ---- The position ------------------------------------------------------------

// board: 128 bytes in the 0x88 layout. The 64 on-board bytes hold the slot
// of the piece standing there (0 = empty). The 64 off-board bytes (index bit
// value 8 set) are the piece list: board[slot] is that piece's square and
// board[slot + 32] its type, 0xFF for a piece not on the board.
extern uint8_t board[128];
extern int side_to_move;    // 0 White, 1 Black
extern int castle_rights;   // bits WHITE_QUEEN_SIDE .. BLACK_KING_SIDE
extern int ep_slot;         // slot of the pawn that just advanced two squares, or 0
extern uint8_t in_check;    // 1 when the side to move is in check

extern Move move_stack[MOVE_STACK_SIZE];
extern Move* move_top;      // next free entry
extern Move* move_limit;    // just past the last entry
// Counts pushes dropped because the stack was full; a node compares it
// before and after its own generation to know whether it lost moves.
extern unsigned dropped_moves;

extern Move killers[KILLER_PLIES];
extern int material[2];
// The material totals of the position on the board, kept up to date by
// place_pieces, make_move and unmake_move; evaluate stores them in material.
extern int piece_material[2];
extern int mobility[2];
extern int node_count;

extern const uint8_t start_position[64];
extern const int16_t piece_value[8];  // centipawns by piece type; the king 0

// Steps per piece type, each list ended by 0. The king's first four steps
// are orthogonal and its last four diagonal; the attack test relies on it.
inline constexpr int8_t piece_directions[8][9] = {
    {0},
    {0},
    {31, 33, 14, 18, -18, -14, -33, -31, 0},
    {16, -16, -1, 1, 15, 17, -17, -15, 0},
    {0},
    {15, 17, -17, -15, 0},
    {16, -1, 1, -16, 0},
    {15, 16, 17, -1, 1, -17, -16, -15, 0},
};

// ---- Setup ---------------------------------------------------------------------

// Places 64 piece codes (rank 1 first, file a first) into a board whose
// piece-list half holds 0xFF, handing out slots in walk order.
void place_pieces(const uint8_t* codes);
// Resets to the start position, White to move, killers cleared, stack empty.
void setup_position();

// ---- Attacks and legality ----------------------------------------------------

// 1 when `side` attacks `square`. Bit value 2 of mode adds pawns, knights and
// the king; without it only lines of bishops, rooks and queens count.
int square_attacked(int mode, int side, int square);
// 1 when `side` attacks the other side's king.
int king_attacked(int side);
// 1 when the move leaves the mover's king (and a castling king's crossed
// square) unattacked. Leaves every byte of board as it was.
int move_is_legal(Move move);

// ---- Generation --------------------------------------------------------------

// Fills the captured-slot byte from the board and pushes the move, unless the
// stack is full.
void push_move(Move move);
// Appends the legal moves of `side` to move_stack at move_top and returns
// the mobility figure: legal moves found plus occupied squares run into.
int generate_moves(int mode, int side);
// The same list and count by the plain definition: every candidate made on
// the board and tested with move_is_legal. The tests hold generate_moves to
// it, and generate_moves defers to it when the check flag names no checker.
int generate_moves_by_testing(int mode, int side);
// generate_moves(CAPTURES, side) in two steps, for the quiescence search,
// which mostly needs only the figure: capture_mode_count returns it, and
// capture_mode_push, called before the position changes, pushes the moves
// that call would have pushed.
int capture_mode_count(int side);
void capture_mode_push(int side);

// ---- Making and unmaking -------------------------------------------------------

// Plays a generated move; stores the former ep_slot in previous_ep and
// returns the new in_check. castle_rights is the caller's to restore.
int make_move(Move move, int& previous_ep);
// Takes back the move last made; in_check becomes 0.
void unmake_move(Move move, int previous_ep);
// A game move: shifts killers one ply toward the root, then makes it.
int play_move(Move move);

// Leaves of the legal-move tree of the given depth, making every move as the
// searches do; -1 as soon as a list does not fit the move stack.
long long perft(int depth);

// ---- Setting up from FEN (the companion tool and tests) ------------------------

// Sets the position from a FEN string (the last two fields may be missing).
// On failure returns 0, leaves a reason in `error` and the position is
// undefined until the next setup. Also clears killers, material and mobility.
int setup_fen(const char* fen, const char** error);
