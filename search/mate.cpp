// How far away a mate that a score announces really is. The principal
// search scores a mate by its distance from the root, but the quiescence
// search scores every mated node alike, whatever its ply, so a mate found
// beyond the horizon reads as a mate at ply one. The line, played out on
// the board and followed by the captures that the quiescence search saw,
// tells the true distance.
#include "search/search.hpp"

namespace {

constexpr int LONGEST_TAIL = 21;  // plies searched past the line's end
// Moves made in all, after which a tail is taken as no mate: a report must
// not cost more than a fraction of the search it reports on.
constexpr int MOST_MOVES_TRIED = 100000;
int moves_left;

bool mated_within(int plies);

// What `then` says of the position after `move`, with the move taken back;
// false, with nothing tried, once the budget of moves is spent.
bool after(Move move, bool (*then)(int), int plies) {
  if (moves_left-- <= 0) return false;
  int saved_rights = castle_rights;
  int previous_ep;
  make_move(move, previous_ep);
  bool result = then(plies);
  castle_rights = saved_rights;
  unmake_move(move, previous_ep);
  return result;
}

// Whether the side to move mates within `plies` plies, moving as the
// quiescence search does: captures and promotions, every move in check.
bool mates_within(int plies) {
  if (plies < 1) return false;
  Move* start = move_top;
  generate_moves(in_check ? ALL_MOVES : CAPTURES, side_to_move);
  bool mates = false;
  for (Move* p = start; p < move_top && !mates; p++) mates = after(*p, mated_within, plies - 1);
  move_top = start;
  return mates;
}

// Whether the side to move is mated now, or whatever it plays, within
// `plies` plies. A side not in check may stand pat in the quiescence
// search, so only checks lead to its mates.
bool mated_within(int plies) {
  if (!in_check) return false;
  Move* start = move_top;
  unsigned drops = dropped_moves;
  generate_moves(ALL_MOVES, side_to_move);
  // Moves lost to a full stack must not make the side look mated.
  bool mated = dropped_moves == drops;
  for (Move* p = start; p < move_top && mated; p++) mated = after(*p, mates_within, plies - 1);
  move_top = start;
  return mated;
}

}  // namespace

int mate_distance(int score) {
  if (score >= -EVALUATION_LIMIT && score <= EVALUATION_LIMIT) return 0;
  int saved_check = in_check;
  Move* saved_top = move_top;
  int saved_rights[PV_MAX], previous_ep[PV_MAX];
  int n = pv_line.length;
  for (int i = 0; i < n; i++) {
    saved_rights[i] = castle_rights;
    make_move(pv_line.moves[i], previous_ep[i]);
  }
  bool root_wins = score > 0;
  int plies = 0;
  moves_left = MOST_MOVES_TRIED;
  int check_at_end = in_check;  // each try's unmaking clears in_check
  // The loser is to move after an odd number of plies exactly when the side
  // to move at the root wins.
  bool loser_to_move = n % 2 == (root_wins ? 1 : 0);
  for (int tail = loser_to_move ? 0 : 1; tail <= LONGEST_TAIL && !plies; tail += 2) {
    in_check = uint8_t(check_at_end);
    if (loser_to_move ? mated_within(tail) : mates_within(tail)) plies = n + tail;
  }
  for (int i = n - 1; i >= 0; i--) {
    castle_rights = saved_rights[i];
    unmake_move(pv_line.moves[i], previous_ep[i]);
  }
  in_check = uint8_t(saved_check);
  move_top = saved_top;
  return root_wins ? plies : -plies;
}
