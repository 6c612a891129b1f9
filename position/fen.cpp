// Positions from FEN, for the companion tool and the tests.
//
// A FEN is taken only when its position keeps what the rest of the program
// relies on: one king and at most 16 pieces a side (the slots place_pieces
// hands out), no pawn on the first or last rank, a castling right only with
// its king and rook at home, an en passant square only behind a pawn that
// can have just advanced two squares, and the side not to move not in check.
#include <cstring>

#include "position/castling.hpp"

namespace {

// Splits `fen` into at most 7 whitespace-separated fields (7 means too many).
int split_fields(const char* fen, const char* fields[7], int lengths[7]) {
  int n = 0;
  const char* p = fen;
  while (*p) {
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r') p++;
    if (!*p) break;
    if (n == 7) return 7;
    fields[n] = p;
    while (*p && *p != ' ' && *p != '\t' && *p != '\n' && *p != '\r') p++;
    lengths[n] = int(p - fields[n]);
    n++;
  }
  return n;
}

int type_of_letter(char c) {
  switch (c | 32) {
    case 'p': return PAWN;
    case 'n': return KNIGHT;
    case 'k': return KING;
    case 'b': return BISHOP;
    case 'r': return ROOK;
    case 'q': return QUEEN;
    default: return 0;
  }
}

const char* read_placement(const char* text, int length, uint8_t codes[64]) {
  int rank = 7, file = 0;
  int pieces[2] = {0, 0}, kings[2] = {0, 0};
  std::memset(codes, 0, 64);
  for (int i = 0; i < length; i++) {
    char c = text[i];
    if (c == '/') {
      if (file != 8 || rank == 0) return "bad piece placement";
      rank--;
      file = 0;
    } else if (c >= '1' && c <= '8') {
      file += c - '0';
      if (file > 8) return "bad piece placement";
    } else if (int type = type_of_letter(c)) {
      if (file >= 8) return "bad piece placement";
      int side = (c >= 'a') ? BLACK : WHITE;
      if (type == PAWN && (rank == 0 || rank == 7)) return "pawn on the first or last rank";
      if (type == KING) kings[side]++;
      pieces[side]++;
      codes[8 * rank + file] = uint8_t(piece_code(type, side));
      file++;
    } else {
      return "bad piece placement";
    }
  }
  if (rank != 0 || file != 8) return "bad piece placement";
  if (kings[WHITE] != 1 || kings[BLACK] != 1) return "each side needs exactly one king";
  if (pieces[WHITE] > SLOTS_PER_SIDE || pieces[BLACK] > SLOTS_PER_SIDE)
    return "more than 16 pieces of a side";
  return nullptr;
}

int piece_code_at(int square) {
  int slot = board[square];
  if (slot == NO_PIECE) return 0;
  return piece_code(board[slot + TYPE_OFFSET], slot_side(slot));
}

const char* read_castling(const char* text, int length) {
  castle_rights = 0;
  if (length == 1 && text[0] == '-') return nullptr;
  for (int i = 0; i < length; i++) {
    int side = text[i] >= 'a' ? BLACK : WHITE;
    int wing;
    switch (text[i] | 32) {
      case 'q': wing = QUEEN_SIDE; break;
      case 'k': wing = KING_SIDE; break;
      default: return "bad castling field";
    }
    const Castling& c = castlings[side][wing];
    int code_side = side == BLACK ? BLACK_PIECE_CODE : 0;
    if (castle_rights & c.right) return "bad castling field";
    if (piece_code_at(c.king_from) != (KING | code_side) ||
        piece_code_at(c.rook_from) != (ROOK | code_side))
      return "castling right without its king and rook at home";
    castle_rights |= c.right;
  }
  return nullptr;
}

// The square of `side`'s king on its first rank, or NO_SQUARE.
int king_at_home(int side) {
  int square = board[king_slot(side)];
  return rank_start(square) == (side == WHITE ? A1 : A8) ? square : NO_SQUARE;
}

// Chess960's castling field: a file letter names the rook of a right (upper
// case White's), K and Q the outermost rook on that side of the king.
const char* read_chess960_castling(const char* text, int length) {
  castle_rights = 0;
  for (auto& wings : chess960_castlings)
    for (Castling& c : wings) c = Castling{0, 0, 0, 0, 0, {NO_SQUARE, NO_SQUARE, NO_SQUARE}};
  if (length == 1 && text[0] == '-') return nullptr;
  for (int i = 0; i < length; i++) {
    char letter = text[i];
    int side = letter >= 'a' ? BLACK : WHITE;
    char lower = char(letter | 32);
    int king = king_at_home(side);
    if (king == NO_SQUARE) return "castling right without its king on the first rank";
    int home = rank_start(king), rook_code = piece_code(ROOK, side);
    int rook = NO_SQUARE;
    if (lower == 'k' || lower == 'q') {
      int step = lower == 'k' ? EAST : WEST;
      for (int square = king + step; on_board(square) && rank_start(square) == home; square += step)
        if (piece_code_at(square) == rook_code) rook = square;
    } else if (lower >= 'a' && lower <= 'h') {
      rook = home + (lower - 'a');
      if (piece_code_at(rook) != rook_code) rook = NO_SQUARE;
    } else {
      return "bad castling field";
    }
    if (rook == NO_SQUARE || rook == king) return "castling right without its rook";
    int wing = rook > king ? KING_SIDE : QUEEN_SIDE;
    Castling& c = chess960_castlings[side][wing];
    if (c.right) return "bad castling field";
    const Castling& standard = castlings[side][wing];
    c = Castling{standard.right, king, standard.king_to, rook, standard.rook_to,
                 {NO_SQUARE, NO_SQUARE, NO_SQUARE}};
    castle_rights |= c.right;
  }
  return nullptr;
}

const char* read_en_passant(const char* text, int length) {
  ep_slot = 0;
  if (length == 1 && text[0] == '-') return nullptr;
  if (length != 2 || text[0] < 'a' || text[0] > 'h' || text[1] < '1' || text[1] > '8')
    return "bad en passant field";
  int square = make_square(text[0] - 'a', text[1] - '1');
  // The square the other side's pawn has just passed over: it came from its
  // start rank one step behind and stands one step ahead.
  int mover = 1 - side_to_move;
  int start = square - pawn_forward(mover), pawn_square = square + pawn_forward(mover);
  int pawn_code = piece_code(PAWN, mover);
  if (rank_start(start) != pawn_start_rank(mover) || board[square] != NO_PIECE ||
      board[start] != NO_PIECE || piece_code_at(pawn_square) != pawn_code)
    return "en passant square without a pawn that just advanced two squares";
  ep_slot = board[pawn_square];
  return nullptr;
}

bool is_count(const char* text, int length) {
  if (length == 0 || length > 9) return false;
  for (int i = 0; i < length; i++)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

}  // namespace

namespace {

int setup(const char* fen, const char** error, bool for_chess960) {
  const char* fields[7];
  int lengths[7];
  int n = split_fields(fen, fields, lengths);
  *error = nullptr;
  if (n < 4 || n > 6) {
    *error = "a FEN needs 4 to 6 fields";
    return 0;
  }
  uint8_t codes[64];
  if ((*error = read_placement(fields[0], lengths[0], codes))) return 0;
  if (lengths[1] != 1 || (fields[1][0] != 'w' && fields[1][0] != 'b')) {
    *error = "bad side to move";
    return 0;
  }
  std::memset(board, OFF_BOARD, sizeof board);
  place_pieces(codes);
  side_to_move = fields[1][0] == 'w' ? WHITE : BLACK;
  chess960 = for_chess960;
  *error = for_chess960 ? read_chess960_castling(fields[2], lengths[2])
                        : read_castling(fields[2], lengths[2]);
  set_castling_squares();
  if (*error) return 0;
  if ((*error = read_en_passant(fields[3], lengths[3]))) return 0;
  for (int i = 4; i < n; i++) {
    if (!is_count(fields[i], lengths[i])) {
      *error = "bad move counter";
      return 0;
    }
  }
  if (king_attacked(side_to_move)) {
    *error = "the side not to move is in check";
    return 0;
  }
  in_check = uint8_t(king_attacked(1 - side_to_move));
  move_top = move_stack;
  move_limit = move_stack + MOVE_STACK_SIZE;
  for (Move& k : killers) k = 0;
  material[0] = material[1] = 0;
  mobility[0] = mobility[1] = 0;
  return 1;
}

}  // namespace

int setup_fen(const char* fen, const char** error) { return setup(fen, error, false); }

int setup_chess960_fen(const char* fen, const char** error) { return setup(fen, error, true); }
