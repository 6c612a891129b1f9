// Every legal move of a side that is not in check, and the dispatch of
// generate_moves to the generator that fits the position.
//
// Not in check, a move other than the king's is illegal exactly when its
// piece is pinned (alone between its king and an enemy line piece) and it
// leaves the pin's line, so the pins, found once, replace every legality
// test. A pinned piece's first step off the line is illegal, which gives
// that ray up; a piece that is not pinned may go wherever it reaches. The
// king's steps are tested with the king lifted off its square.
#include "position/generation.hpp"

namespace {

// A slider's rays in step order, nearest square first. `allowed` is its pin
// line, or everywhere.
void push_slider_moves(int from, int type, Bitboard reach, Bitboard allowed, const Sides& s) {
  int index = index64(from);
  for (const int8_t* p = piece_directions[type]; *p; p++) {
    int step = *p;
    int d = direction_of_step[step + 17];
    Bitboard r = ray[d][index] & reach & allowed;
    if (!r) continue;
    int empty = popcount(r & ~s.occupied);
    int t = from + step;
    for (int i = 0; i < empty; i++, t += step) push_known(from, t, 0);
    if (r & s.capturable) push_known(from, t, board[t]);
  }
}

}  // namespace

int generate_all_moves(int side) {
  const Sides s(side);
  int king_from = square88(s.king);
  Bitboard king_steps = legal_king_steps(s);
  int count = popcount(king_targets[s.king] & s.occupied) + popcount(king_steps);
  push_steps_in_order(king_from, KING, king_steps);

  int contacts = 0;
  for (int n = 1, slot = next_slot(king_slot(side)); n < 16; n++, slot = next_slot(slot)) {
    int from = board[slot];
    if (from & 0x80) continue;
    int type = board[slot + TYPE_OFFSET];
    int index = index64(from);
    bool pinned = s.pinned & bit64(index);
    if (type == PAWN) {
      count += pawn_moves<PUSH_ALL>(from, side, pinned ? s.pin_line(index) : ~Bitboard(0), contacts);
    } else if (type == KNIGHT) {
      Bitboard targets = knight_targets[index];
      if (pinned) {
        count += popcount(targets & s.occupied);
      } else {
        count += reach_figure(targets, s);
        push_steps_in_order(from, KNIGHT, targets & ~s.own & ~pieces_of[s.enemy][KING]);
      }
    } else {
      Bitboard reach = slider_reach(type, index, s.occupied);
      if (pinned) {
        Bitboard line = s.pin_line(index);
        count += pinned_figure(reach, line, king_targets[index], s);
        push_slider_moves(from, type, reach, line, s);
      } else {
        count += reach_figure(reach, s);
        push_slider_moves(from, type, reach, ~Bitboard(0), s);
      }
    }
  }
  generate_castling(side);
  return count + contacts;
}

int generate_moves(int mode, int side) {
  if (in_check) return generate_evasions(mode, side);
  if (mode & 1) return generate_all_moves(side);
  int count = capture_mode_count(side);
  capture_mode_push(side);
  return count;
}
