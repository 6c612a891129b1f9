// Every legal move of a side that is not in check, and the dispatch of
// generate_moves to the generator that fits the position.
//
// Not in check, a move other than the king's is illegal exactly when its
// piece is pinned (alone between its king and an enemy line piece) and it
// leaves the pin's line, so the pins, found once, replace every legality
// test. A pinned piece's first step off the line is illegal, which gives
// that ray up; a piece that is not pinned may go wherever it reaches. The
// king's steps are tested with the king lifted off its square.
#include <utility>

#include "position/castling.hpp"
#include "position/generation.hpp"

namespace {

// One ray of a slider, nearest square first; `targets` are the squares it
// may move to.
template <int STEP>
inline void push_ray(int from, int index, Bitboard targets, Bitboard occupied) {
  Bitboard r = ray[direction_of(STEP)][index] & targets;
  if (!r) return;
  int t = from + STEP;
  for (int n = popcount(r & ~occupied); n > 0; n--, t += STEP) push_known(from, t, 0);
  if (r & occupied) push_known(from, t, board[t]);
}

constexpr std::size_t step_count(int type) {
  std::size_t n = 0;
  while (piece_directions[type][n]) n++;
  return n;
}

// A slider's moves in the order of its step list, each ray unrolled.
template <int TYPE>
inline void push_rays(int from, Bitboard targets, Bitboard occupied) {
  int index = index64(from);
  [&]<std::size_t... D>(std::index_sequence<D...>) {
    (push_ray<piece_directions[TYPE][D]>(from, index, targets, occupied), ...);
  }(std::make_index_sequence<step_count(TYPE)>());
}

void push_slider_moves(int from, int type, Bitboard targets, Bitboard occupied) {
  switch (type) {
    case BISHOP: push_rays<BISHOP>(from, targets, occupied); break;
    case ROOK: push_rays<ROOK>(from, targets, occupied); break;
    default: push_rays<QUEEN>(from, targets, occupied);
  }
}

// The squares of a castling move that must be empty.
constexpr Bitboard empty_squares(const Castling& c) {
  Bitboard squares = 0;
  for (int square : c.empty)
    if (square != NO_SQUARE) squares |= bit64(index64(square));
  return squares;
}

// Castling moves of a side not in check, queen side first; not counted. A
// set right means the king is at home (a king move clears both) and its own
// rook is on the corner (leaving or entering the corner clears it), so only
// the empty squares and the two squares the king crosses and reaches are
// left to test, with the king lifted off its square.
inline bool may_castle(const Castling& c, int enemy, Bitboard occupied, Bitboard lifted) {
  return (castle_rights & c.right) && !(occupied & empty_squares(c)) &&
         !attacked_by(enemy, index64(c.rook_to), lifted) &&
         !attacked_by(enemy, index64(c.king_to), lifted);
}
template <int SIDE>
void push_castling(const Sides& s) {
  if (!(castle_rights & castling_rights_of(SIDE))) return;
  if (chess960) {
    push_chess960_castling(SIDE, s.occupied);
    return;
  }
  Bitboard lifted = s.occupied ^ bit64(s.king);
  for (const Castling& c : castlings[SIDE])
    if (may_castle(c, 1 - SIDE, s.occupied, lifted)) push_known(c.king_from, c.king_to, 0);
}

template <int SIDE>
int all_moves() {
  const Sides s(SIDE);
  constexpr int FORWARD = pawn_forward(SIDE);
  // Pawns that are not pinned, not about to promote and not beside a pawn
  // that can be taken en passant: their moves come from shifted sets.
  const Bitboard pawns = pieces_of[SIDE][PAWN];
  const Bitboard plain = pawns & ~pawns_counted_one_by_one(s) & ~seventh_rank(SIDE);
  PawnSteps steps = pawn_steps<SIDE>(plain, s);
  int count = steps.figure();

  Bitboard king_steps = legal_king_steps(s);
  count += popcount(king_targets[s.king] & s.occupied) + popcount(king_steps);
  push_steps_in_order(square88(s.king), KING, king_steps);

  const Bitboard movable = ~s.own & ~pieces_of[s.enemy][KING];
  for (int n = 1, slot = next_slot(king_slot(SIDE)); n < SLOTS_PER_SIDE;
       n++, slot = next_slot(slot)) {
    int from = board[slot];
    if (is_off_board(from)) continue;
    int type = board[slot + TYPE_OFFSET];
    int index = index64(from);
    bool pinned = s.pinned & bit64(index);
    if (type == PAWN) {
      if (plain & bit64(index)) {
        if (steps.double_steps & bit(from + 2 * FORWARD)) push_known(from, from + 2 * FORWARD, 0);
        if (steps.single_steps & bit(from + FORWARD)) push_known(from, from + FORWARD, 0);
        if (steps.captures_h & bit(from + FORWARD + EAST))
          push_known(from, from + FORWARD + EAST, board[from + FORWARD + EAST]);
        if (steps.captures_a & bit(from + FORWARD + WEST))
          push_known(from, from + FORWARD + WEST, board[from + FORWARD + WEST]);
      } else {
        // s.allowed(index), from the pin test at hand
        count += pawn_moves<PUSH_ALL>(from, SIDE, pinned ? s.pin_line(index) : ~Bitboard(0));
      }
    } else if (type == KNIGHT) {
      Bitboard targets = knight_targets[index];
      if (pinned) {
        count += popcount(targets & s.occupied);
      } else {
        count += reach_figure(targets, s);
        push_steps_in_order(from, KNIGHT, targets & movable);
      }
    } else {
      Bitboard reach = slider_reach(type, index, s.occupied);
      if (pinned) {
        Bitboard line = s.pin_line(index);
        count += pinned_figure(reach, line, king_targets[index], s.capturable, s.occupied);
        push_slider_moves(from, type, reach & line & movable, s.occupied);
      } else {
        count += reach_figure(reach, s);
        push_slider_moves(from, type, reach & movable, s.occupied);
      }
    }
  }
  push_castling<SIDE>(s);
  return count;
}

}  // namespace

int generate_moves(int mode, int side) {
  if (in_check) return generate_evasions(mode, side);
  if (mode & ALL_MOVES_BIT) return side == WHITE ? all_moves<WHITE>() : all_moves<BLACK>();
  int count = capture_mode_count(side);
  capture_mode_push(side);
  return count;
}

int quiet_move_is_generated(Move move) {
  int from = move_from(move), to = move_to(move);
  if (!on_board(from) || !on_board(to) || move_captured(move) != NO_PIECE) return 0;
  int side = side_to_move;
  if (board[to] != NO_PIECE) {
    // Only Chess960's castling goes where a piece stands without taking it.
    return chess960 && is_chess960_castling(move) && chess960_castling_is_generated(move, side);
  }
  int mover = board[from];
  if (mover == NO_PIECE || slot_side(mover) != side) return 0;
  int type = board[mover + TYPE_OFFSET], promotion = move_promotion(move);
  int index = index64(from);
  Bitboard target = bit(to);
  // Where the piece may go as far as pins go: only a piece on a line
  // through its king can be pinned.
  auto allowed = [&] {
    return line_through[index64(board[king_slot(side)])][index] ? Sides(side).allowed(index)
                                                                 : ~Bitboard(0);
  };
  if (type == PAWN) {
    if (is_promotion_square(to) ? !is_promotion_type(promotion) : promotion != NO_PIECE) return 0;
    int ahead = from + pawn_forward(side);
    if (to == ahead) return (allowed() & target) != 0;
    if (to == ahead + pawn_forward(side))
      return rank_start(from) == pawn_start_rank(side) && board[ahead] == NO_PIECE &&
             (allowed() & target);
    // Onto an empty square diagonally: only en passant, which the lists
    // test with move_is_legal whatever the pins.
    return (to == ahead + EAST || to == ahead + WEST) && ep_slot != 0 &&
           slot_side(ep_slot) != side && board[ep_slot] == to - pawn_forward(side) &&
           move_is_legal(move);
  }
  if (promotion != NO_PIECE) return 0;
  if (type == KING) {
    const Sides s(side);
    if (!is_castling_step(from, to)) return legal_king_steps(s, target) != 0;
    if (chess960) return 0;  // its castling is the king taking its rook
    const Castling& c = castling_of(side, from, to);
    return from == c.king_from && may_castle(c, s.enemy, s.occupied, s.occupied ^ bit64(s.king));
  }
  Bitboard occupied = occupied_by[WHITE] | occupied_by[BLACK];
  Bitboard reach = type == KNIGHT ? knight_targets[index] : slider_reach(type, index, occupied);
  return (reach & target) && (allowed() & target);
}

Move first_king_step() {
  const Sides s(side_to_move);
  Bitboard steps = legal_king_steps(s);
  if (!steps) return 0;
  int from = square88(s.king), to = first_target(from, KING, steps);
  return make_move_word(from, to, 0, board[to]);
}

bool list_fits(int side, const Move* at) {
  // A queen reaches at most 27 squares, a rook 14, a bishop 13, a knight 8
  // and a king 8, with its two castlings besides; a pawn has at most four
  // moves, and twelve pushes on the seventh rank (three squares, each four
  // promotions). Sixteen pieces, a king and fifteen queens at the most,
  // cannot make more than 10 + 15 * 27.
  int room = int(move_limit - at);
  if (room >= 10 + 15 * 27) return true;
  const Bitboard* own = pieces_of[side];
  return room >= 27 * popcount(own[QUEEN]) + 14 * popcount(own[ROOK]) +
                     13 * popcount(own[BISHOP]) + 8 * popcount(own[KNIGHT]) + 10 +
                     4 * popcount(own[PAWN]) + 8 * popcount(own[PAWN] & seventh_rank(side));
}

Move first_legal_move() {
  move_top = move_stack;
  generate_moves(ALL_MOVES, side_to_move);
  Move first = move_top > move_stack ? move_stack[0] : 0;
  move_top = move_stack;
  return first;
}
