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
constexpr Move make_move_word(int from, int to, int promotion = 0, int captured = 0) {
  return Move(from) | Move(to) << 8 | Move(promotion) << 16 | Move(captured) << 24;
}
// The bytes of the word, for the code that writes or compares some of them.
constexpr Move FROM_BITS = 0xFF, TO_BITS = 0xFF00, PROMOTION_BITS = 0xFF0000,
               CAPTURED_BITS = 0xFF000000;

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
constexpr int piece_code(int type, int side) {
  return type | (side == BLACK ? BLACK_PIECE_CODE : 0);
}
constexpr int code_type(int code) { return code & 7; }
constexpr int code_side(int code) { return code & BLACK_PIECE_CODE ? BLACK : WHITE; }

constexpr int NO_PIECE = 0;  // an empty square, or "no slot"
constexpr uint8_t OFF_BOARD = 0xFF;  // piece-list value of a slot not on the board
// Readers of a slot's square entry take any value with the top bit set as
// "not on the board".
constexpr bool is_off_board(int square_entry) { return square_entry & 0x80; }
constexpr int WHITE_KING_SLOT = 8;
constexpr int BLACK_KING_SLOT = 72;
constexpr int BLACK_SLOT_BIT = 64;  // slots of Black are 72..95
constexpr int TYPE_OFFSET = 32;  // board[slot + 32] is the slot's piece type

constexpr int king_slot(int side) { return WHITE_KING_SLOT + BLACK_SLOT_BIT * side; }
constexpr int slot_side(int slot) { return slot >= BLACK_KING_SLOT ? BLACK : WHITE; }
constexpr bool is_king_slot(int slot) { return (slot & ~BLACK_SLOT_BIT) == WHITE_KING_SLOT; }
constexpr int next_slot(int slot) { return (slot + 1) | 8; }
constexpr int SLOTS_PER_SIDE = 16;  // from the king's slot on, by next_slot
constexpr bool on_board(int square) { return (square & 0x88) == 0; }
constexpr int rank_of(int square) { return square >> 4; }
constexpr int file_of(int square) { return square & 7; }
constexpr int make_square(int file, int rank) { return 16 * rank + file; }

enum Square : int {
  A1 = 0x00, B1, C1, D1, E1, F1, G1, H1,
  A2 = 0x10,
  A7 = 0x60,
  A8 = 0x70, B8, C8, D8, E8, F8, G8, H8,
};
// The a-file square of a square's rank.
constexpr int rank_start(int square) { return square & 0xF0; }
// The rank a side's pawns start from, and the two where pawns promote.
constexpr int pawn_start_rank(int side) { return side == WHITE ? A2 : A7; }
constexpr bool is_promotion_square(int square) {
  int rank = rank_start(square);
  return rank == A8 || rank == A1;
}

// Steps between squares: a rank is 16, a file 1. North is towards Black,
// east towards the h-file.
constexpr int NORTH = 16, SOUTH = -16, EAST = 1, WEST = -1;
constexpr int NORTH_EAST = NORTH + EAST, NORTH_WEST = NORTH + WEST;
constexpr int SOUTH_EAST = SOUTH + EAST, SOUTH_WEST = SOUTH + WEST;
// A pawn's step forward.
constexpr int pawn_forward(int side) { return side == WHITE ? NORTH : SOUTH; }

// Steps per piece type, each list ended by 0. The king's first four steps
// are orthogonal and its last four diagonal; the attack test relies on it.
inline constexpr int8_t piece_directions[8][9] = {
    {0},
    {0},
    {2 * NORTH + WEST, 2 * NORTH + EAST, NORTH + 2 * WEST, NORTH + 2 * EAST,
     SOUTH + 2 * WEST, SOUTH + 2 * EAST, 2 * SOUTH + WEST, 2 * SOUTH + EAST, 0},
    {NORTH, SOUTH, WEST, EAST, NORTH_WEST, NORTH_EAST, SOUTH_WEST, SOUTH_EAST, 0},
    {0},
    {NORTH_WEST, NORTH_EAST, SOUTH_WEST, SOUTH_EAST, 0},
    {NORTH, WEST, EAST, SOUTH, 0},
    {NORTH_WEST, NORTH, NORTH_EAST, WEST, EAST, SOUTH_WEST, SOUTH, SOUTH_EAST, 0},
};
// Whether the king's step number d (0..7) is a diagonal one.
constexpr bool diagonal_step(int d) { return d >= 4; }

// The pieces a pawn promotes to, in the order generation pushes them.
inline constexpr int promotion_types[4] = {QUEEN, ROOK, BISHOP, KNIGHT};
constexpr bool is_promotion_type(int type) {
  return type == QUEEN || type == ROOK || type == BISHOP || type == KNIGHT;
}

// The promotion byte of a Chess960 castling move, the king taking its own
// rook: no pawn becomes a king, and a non-zero byte sends making and
// unmaking to their rare paths.
constexpr int CHESS960_CASTLING = KING;
constexpr bool is_chess960_castling(Move m) { return move_promotion(m) == CHESS960_CASTLING; }

// Castling-right bits.
constexpr int WHITE_QUEEN_SIDE = 1;
constexpr int WHITE_KING_SIDE = 2;
constexpr int BLACK_QUEEN_SIDE = 4;
constexpr int BLACK_KING_SIDE = 8;
constexpr int ALL_CASTLING = 15;
// Both rights of a side.
constexpr int castling_rights_of(int side) {
  return (WHITE_QUEEN_SIDE | WHITE_KING_SIDE) << (2 * side);
}

// Modes of generate_moves; only ALL_MOVES_BIT is read.
constexpr int ALL_MOVES = 255;  // every legal move
constexpr int CAPTURES = 0;     // captures, promotions and en passant only
constexpr int ALL_MOVES_BIT = 1;

// Modes of square_attacked; only ALL_ATTACKERS is read.
constexpr int ALL_ATTACKERS = 2;  // pawns, knights and the king as well
constexpr int LINES_ONLY = 0;     // bishops, rooks and queens along open lines

constexpr int MOVE_STACK_SIZE = 512;
// The UCI program searches far deeper than the engine when a clock allows;
// its stack and killer table are sized for that (the engine's move_limit
// still ends its stack at MOVE_STACK_SIZE, and its plies never pass 9).
constexpr int DEEP_MOVE_STACK_SIZE = 8192;
constexpr int KILLER_PLIES = 64;

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
// Castling as in Chess960 (set up by setup_chess960_fen): the rights' kings
// and rooks may stand on any files, and castling is the king taking its own
// rook (is_chess960_castling). Clear for standard chess.
extern bool chess960;

extern Move move_stack[DEEP_MOVE_STACK_SIZE];
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

extern const int16_t piece_value[8];  // centipawns by piece type; the king 0

// ---- Setup ---------------------------------------------------------------------

// Places 64 piece codes (rank 1 first, file a first) into a board whose
// piece-list half holds 0xFF, handing out slots in walk order.
void place_pieces(const uint8_t* codes);
// Resets to the start position, White to move, killers cleared, stack empty.
void setup_position();

// ---- Attacks and legality ----------------------------------------------------

// 1 when `side` attacks `square`; mode ALL_ATTACKERS or LINES_ONLY.
int square_attacked(int mode, int side, int square);
// 1 when `side` attacks the other side's king.
int king_attacked(int side);
// 1 when the move leaves the mover's king (and a castling king's crossed
// square, or the squares of Chess960's) unattacked. Leaves every byte of
// board as it was.
int move_is_legal(Move move);

// ---- Generation --------------------------------------------------------------

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
// Parts of generate_moves(ALL_MOVES, side_to_move)'s list, for the searches,
// which often search only the first move they would pick from it (the
// killer, else the best capture) before a cut-off:
// - best_capture: the entry that takes the greatest piece type code with
//   the least, the earliest of those (the first capture pick_best chooses);
//   0 when the list takes nothing, or when in_check names no checker;
// - quiet_move_is_generated, for a side not in check: whether a word with
//   captured slot 0 is an entry of the list;
// - first_king_step, for a side not in check: the list's first entry when
//   that is a king's step (it is whenever the king may step), else 0;
// - list_fits: whether the list is sure to fit in move_stack from `at`,
//   judged from the pieces' types.
Move best_capture();
int quiet_move_is_generated(Move move);
Move first_king_step();
bool list_fits(int side, const Move* at);
// The first legal move of the side to move, or 0 when it has none (mate or
// stalemate). Generates from the bottom of move_stack and empties it again.
Move first_legal_move();

// ---- Making and unmaking -------------------------------------------------------

// Plays a generated move; stores the former ep_slot in previous_ep and
// returns the new in_check. castle_rights is the caller's to restore.
int make_move(Move move, int& previous_ep);
// make_move where the side to move is known not to attack the other king, as
// in every position after a legal move or a null move: the check test then
// looks only at the moved piece and the lines the move opened. For the
// searches below their root (at the root a front end may have handed the
// move to the side that gives check).
int make_move_after_legal(Move move, int& previous_ep);
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
// The same for Chess960, `chess960` set: the castling field names the files
// of the castling rooks (Shredder-FEN, "HAha") or, as X-FEN does, K and Q for
// the outermost rook on each side of the king and a file for another one.
int setup_chess960_fen(const char* fen, const char** error);
