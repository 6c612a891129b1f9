// The quiescence and principal searches: fail-soft negamax over the one
// global position, every node making and unmaking its moves in place and
// keeping its list on the shared move stack above its parent's. Scores are
// always the side to move's; a mated side scores its distance from the root
// less 10000 in the principal search and -9999 in the quiescence search.
#include <algorithm>
#include <utility>

#include "search/search.hpp"

constexpr int QUIESCENCE_FLOOR = -10;
// Material the side to move needs (as the last evaluation stored it) before
// a null move is trusted: with less, zugzwang makes passing look too good.
constexpr int NULL_MOVE_MATERIAL = 400;
constexpr int NULL_MOVE_REDUCTION = 3;
// null_state is 0 off null-move subtrees and grows inside them; this bit
// marks a node entered by the null move itself, where no second may follow.
constexpr int ENTERED_BY_NULL_MOVE = 1;

namespace {

// Where the captures of a long list stand, and their keys: the first pick
// notes them, so that later picks look at those alone, not at every quiet
// move again. Past a few dozen captures pick_best walks the list as before.
// It lives apart from the selection state, which the compiler can then keep
// in registers.
struct CaptureNotes {
  static constexpr int SIZE = 24, NOT_YET = -1, TOO_MANY = -2;
  // A list shorter than this is walked by pick_best: noting it would cost
  // more than it saves.
  static constexpr int SHORT_LIST = 12;
  int count = NOT_YET;
  Move* at[SIZE];
  int key[SIZE];
};

void note_captures(CaptureNotes& notes, Move* p, Move* end) {
  notes.count = 0;
  for (; p < end; p++) {
    int key = capture_key(*p);
    if (key == 0) continue;
    if (notes.count == CaptureNotes::SIZE) {
      notes.count = CaptureNotes::TOO_MANY;
      return;
    }
    notes.at[notes.count] = p;
    notes.key[notes.count++] = key;
  }
}

// pick_best(p, end), from the notes.
Move* noted_best(CaptureNotes& notes, Move* p, Move* end) {
  if (notes.count == CaptureNotes::NOT_YET) note_captures(notes, p, end);
  if (notes.count == CaptureNotes::TOO_MANY) return pick_best(p, end);
  // The greatest key, the earliest place on ties.
  int b = -1;
  for (int i = 0; i < notes.count; i++) {
    if (b < 0 || notes.key[i] > notes.key[b] ||
        (notes.key[i] == notes.key[b] && notes.at[i] < notes.at[b]))
      b = i;
  }
  return b < 0 ? p : notes.at[b];
}

// The entry at q is searched at p, and the one at p goes to q.
void noted_swap(CaptureNotes& notes, Move* p, Move* q) {
  for (int i = 0; i < notes.count; i++) {
    if (notes.at[i] == q) {
      notes.count--;
      notes.at[i] = notes.at[notes.count];
      notes.key[i] = notes.key[notes.count];
      i--;
    } else if (notes.at[i] == p) {
      notes.at[i] = q;
    }
  }
}

// The first move of a list that is not yet generated, when it can be known
// without the list: the killer when it is legal, else the best capture (see
// NodeMoves). 0 when the list must be generated first.
Move first_before_list(Move* start, int ply, bool use_lookups) {
  if (!list_fits(side_to_move, start)) return 0;
  if (use_lookups) {
    // find_pv_or_killer's first call; the killer test holds out of check.
    if (follow_pv || in_check) return 0;
    if (quiet_move_is_generated(killers[ply])) return killers[ply];
  }
  return best_capture();
}

// The second move of a list that is not yet generated, after the killer
// searched first: the best capture, unless the killer's swap to the front
// moved a capture (the list's first entry) and so could change which of two
// equal captures comes first. 0 when the list must be generated first.
Move second_before_list() {
  Move front = first_king_step();
  if (!front || move_captured(front)) return 0;
  return best_capture();
}

// Generates the node's list at start, with its own check flag (after a move
// searched before the list, unmake_move has cleared in_check), and swaps the
// moves searched before it to the front, in turn, as the selection would
// have done. Returns the list's end.
Move* generate_list(Move* start, uint8_t check, Move first, Move second) {
  uint8_t after = in_check;
  in_check = check;
  mobility[side_to_move] = generate_moves(ALL_MOVES, side_to_move);
  in_check = after;
  if (first) std::swap(*start, *std::find(start, move_top, first));
  if (second) std::swap(start[1], *std::find(start + 1, move_top, second));
  return move_top;
}

// A node's moves in either search, picked with these shortcuts, which leave
// the chosen move unchanged:
// - once pick_best has found no capture left (it then returns the first
//   entry), it is not called again: exchanges bring no capture back;
// - find_pv_or_killer, once a call has ended with follow_pv clear, can only
//   have looked for the killer, which is then searched or absent; as nothing
//   sets follow_pv or this ply's killer while the node runs (children store
//   killers at deeper plies), every later call would return null;
// - a long list's captures are noted (CaptureNotes);
// - a node that generates its list (the all-moves mode) may search its first
//   move before it does: the killer when it is legal, else the best capture,
//   both known without the list; and after the killer, the best capture.
//   Most such nodes cut off on those moves and never generate the rest. When
//   the list is generated after all, those moves are swapped to its front,
//   as the selection would have done. This is done only where the list
//   cannot lose moves to a full stack, so that the two ways agree. (The
//   figure that generation stores is evaluated only at a node that lost
//   every move to the stack, so a node that never generates needs none.)
class NodeMoves {
 public:
  // The list of generate_moves(ALL_MOVES, side_to_move), when needed.
  NodeMoves(Move* start, int ply, bool use_lookups, CaptureNotes& notes)
      : start_(start), ply_(ply), use_lookups_(use_lookups), notes_(&notes) {}
  // A list already pushed, from start to move_top.
  NodeMoves(Move* start, CaptureNotes& notes)
      : start_(start), end_(move_top), ply_(0), use_lookups_(false), notes_(&notes) {}

  // The first move to search, then each next one; 0 after the last.
  Move first() {
    if (!end_) {
      if ((early_ = first_before_list(start_, ply_, use_lookups_))) {
        lookups_done_ = use_lookups_;
        return early_;
      }
      generate();
    }
    return pick();
  }
  Move next() {
    p_++;
    if (!end_) {
      // After the killer: a capture, when one is known without the list.
      if (p_ == start_ + 1 && move_captured(early_) == 0 && (second_ = second_before_list()))
        return second_;
      generate();
    }
    return pick();
  }
  // Whether the node has no move, and if so whether the stack lost some.
  bool none() const { return end_ == start_; }
  bool lost_moves() const { return lost_moves_; }

 private:
  void generate() {
    unsigned drops = dropped_moves;
    end_ = generate_list(start_, check_, early_, second_);
    lost_moves_ = dropped_moves != drops;
  }
  Move pick() {
    if (p_ >= end_) return 0;
    Move* p = p_;
    Move* q = nullptr;
    if (use_lookups_ && !(lookups_done_ && !follow_pv)) {
      q = find_pv_or_killer(p, end_, ply_);
      if (!follow_pv) lookups_done_ = true;
    }
    if (!q) {
      q = p;
      if (captures_left_) {
        bool short_list =
            notes_->count == CaptureNotes::NOT_YET && end_ - p < CaptureNotes::SHORT_LIST;
        q = short_list ? pick_best(p, end_) : noted_best(*notes_, p, end_);
        captures_left_ = move_captured(*q) != 0;
      }
    }
    if (captures_left_ && notes_->count > 0) noted_swap(*notes_, p, q);
    if (q != p) std::swap(*p, *q);
    return *p;
  }

  Move* start_;
  Move* p_ = start_;     // where the move being searched stands
  Move* end_ = nullptr;  // until the list is generated
  uint8_t check_ = in_check;
  int ply_;
  bool use_lookups_;
  bool lookups_done_ = false;
  bool captures_left_ = true;
  bool lost_moves_ = false;
  Move early_ = 0, second_ = 0;  // searched before the list
  CaptureNotes* notes_;
};

// The moves of a quiescence node: its evasions, or the captures of the
// capture mode when the stand-pat score `best` has not cut.
int quiesce_moves(int alpha, int beta, int depth, int best) {
  Move* start = move_top;
  if (in_check && depth < QUIESCENCE_FLOOR) {
    // Nothing is searched: the side in check scores as mated, unless its
    // moves were lost to a full stack.
    unsigned drops = dropped_moves;
    mobility[side_to_move] = generate_moves(ALL_MOVES, side_to_move);
    bool lost = move_top == start && dropped_moves != drops;
    move_top = start;
    return lost ? evaluate() : -MATE_SCORE;
  }
  if (!in_check) capture_mode_push(side_to_move);
  CaptureNotes notes;
  NodeMoves moves = in_check ? NodeMoves(start, 0, false, notes) : NodeMoves(start, notes);
  for (Move move = moves.first(); move; move = moves.next()) {
    int saved_rights = castle_rights;
    int previous_ep;
    make_move_after_legal(move, previous_ep);
    int score = -quiesce(-beta, -alpha, depth - 1);
    castle_rights = saved_rights;
    unmake_move(move, previous_ep);
    if (score > best) {
      best = score;
      if (score > alpha) {
        if (score >= beta) break;
        alpha = score;
      }
    }
  }
  // Moves lost to a full stack must not make the node look mated.
  if (moves.none() && moves.lost_moves()) return evaluate();
  move_top = start;
  // unmake_move clears in_check: it is still set only if nothing was searched.
  return in_check ? -MATE_SCORE : best;
}

}  // namespace

int quiesce(int alpha, int beta, int depth) {
  node_count++;
  if (in_check) return quiesce_moves(alpha, beta, depth, -INFINITE_SCORE);
  // Most nodes stand pat on the figure alone, so the moves are pushed only
  // once the stand-pat score has failed to cut.
  mobility[side_to_move] = capture_mode_count(side_to_move);
  int best = evaluate();
  if (best > alpha) {
    if (best >= beta) return best;
    alpha = best;
  }
  if (depth < QUIESCENCE_FLOOR) return best;
  return quiesce_moves(alpha, beta, depth, best);
}

StopConditions stop_conditions;

namespace {

// Whether an interruptible search must give up now. The clock is read only
// every few thousand nodes: that is well under a millisecond of search.
bool must_stop() {
  StopConditions& c = stop_conditions;
  if (c.stopped) return true;
  if (c.requested.load(std::memory_order_relaxed) ||
      (c.node_limit && searched_nodes() >= c.node_limit))
    return c.stopped = true;
  if (node_count >= c.next_clock_check) {
    constexpr int NODES_BETWEEN_CLOCK_READS = 4096;
    constexpr int FOLD_AT = 1 << 30;
    if (node_count >= FOLD_AT) {
      c.folded_nodes += node_count;
      node_count = 0;
    }
    c.next_clock_check = node_count + NODES_BETWEEN_CLOCK_READS;
    SearchClock::rep deadline = c.deadline.load(std::memory_order_relaxed);
    if (deadline != NO_DEADLINE && SearchClock::now().time_since_epoch().count() >= deadline)
      return c.stopped = true;
  }
  return false;
}

bool root_move_chosen(Move move) {
  for (int i = 0; i < chosen_root_moves.count; i++)
    if (chosen_root_moves.moves[i] == move) return true;
  return false;
}

// The principal search, in two builds: the engine's, which runs to its
// depth, and one that gives up as soon as must_stop says so. Giving up
// returns at once after a child, before its score is used, so the position
// is taken back move by move and nothing is learnt from the abandoned part.
// A CHOSEN_ROOT node is a root that searches only chosen_root_moves; the
// others pass over them in the order they come, so the rest keep theirs.
template <bool STOPPABLE, bool CHOSEN_ROOT = false>
int search_node(int alpha, int beta, int depth, int root_depth, int null_state, int pv_node,
                PvLine& pv) {
  pv.length = 0;
  if (depth <= 0) return quiesce(alpha, beta, depth);
  node_count++;
  Move* start = move_top;
  int best = -INFINITE_SCORE;
  int ply = root_depth - depth;
  int alpha_raised = 0;
  PvLine child_pv;

  if (ply > 0 && depth > 2 && !in_check && !(null_state & ENTERED_BY_NULL_MOVE) &&
      material[side_to_move] >= NULL_MOVE_MATERIAL) {
    side_to_move = 1 - side_to_move;
    int score = -search_node<STOPPABLE>(-beta, 1 - beta, depth - NULL_MOVE_REDUCTION, root_depth,
                                        null_state | ENTERED_BY_NULL_MOVE, 0, child_pv);
    side_to_move = 1 - side_to_move;
    if (STOPPABLE && must_stop()) return 0;
    if (score >= beta) return score;
  }

  CaptureNotes notes;
  NodeMoves moves(start, ply, null_state == 0, notes);
  for (Move move = moves.first(); move; move = moves.next()) {
    if constexpr (CHOSEN_ROOT)
      if (!root_move_chosen(move)) continue;
    int saved_rights = castle_rights;
    int previous_ep;
    // Below the root, a move's check test needs only what the move changed.
    int gives_check =
        ply > 0 ? make_move_after_legal(move, previous_ep) : make_move(move, previous_ep);
    if (null_state) null_state = (null_state + 2) & ~ENTERED_BY_NULL_MOVE;

    int score;
    if (depth > 2 && pv_node && alpha_raised) {
      score = -search_node<STOPPABLE>(-alpha - 1, -alpha, depth - 1, root_depth, null_state, 0,
                                      child_pv);
      if (score > alpha && score < beta && !(STOPPABLE && must_stop())) {
        in_check = uint8_t(gives_check);
        score = -search_node<STOPPABLE>(-beta, -alpha, depth - 1, root_depth, null_state, 1,
                                        child_pv);
      }
    } else if (depth == 1) {
      // The child's first step, taken here: most nodes lie at the horizon.
      child_pv.length = 0;
      score = -quiesce(-beta, -alpha, 0);
    } else {
      score = -search_node<STOPPABLE>(-beta, -alpha, depth - 1, root_depth, null_state, pv_node,
                                      child_pv);
    }
    castle_rights = saved_rights;
    unmake_move(move, previous_ep);
    if (STOPPABLE && must_stop()) {
      move_top = start;
      return 0;
    }

    if (score > best) {
      best = score;
      if (score > alpha) {
        if (score >= beta) {
          if (move_captured(move) == 0 && ply < KILLER_PLIES && null_state == 0)
            killers[ply] = move;
          break;
        }
        pv.moves[0] = move;
        int n = child_pv.length == PV_MAX ? PV_MAX - 1 : child_pv.length;
        for (int i = 0; i < n; i++) pv.moves[i + 1] = child_pv.moves[i];
        pv.length = n + 1;
        alpha_raised = 1;
        alpha = score;
      }
    }
  }
  if (moves.none()) {
    // Moves lost to a full stack must not make the node look mated.
    if (moves.lost_moves())
      best = evaluate();
    else
      best = in_check ? ply - INFINITE_SCORE : 0;
  }
  move_top = start;
  return best;
}

// One iteration of the driver: the full window from the game position.
template <bool STOPPABLE>
int search_root(const Deepening& deepening, int depth) {
  follow_pv = 1;
  in_check = uint8_t(deepening.in_check_at_root);
  move_top = move_stack;
  return search_node<STOPPABLE>(-INFINITE_SCORE, INFINITE_SCORE, depth, depth, 0, 1, pv_line);
}

}  // namespace

int search(int alpha, int beta, int depth, int root_depth, int null_state, int pv_node,
           PvLine& pv) {
  return search_node<false>(alpha, beta, depth, root_depth, null_state, pv_node, pv);
}

Deepening start_deepening(int max_depth) {
  node_count = 0;
  pv_line = PvLine{};
  return {in_check, in_check ? max_depth + 1 : max_depth};
}

int search_iteration(const Deepening& deepening, int depth) {
  return search_root<false>(deepening, depth);
}

long long searched_nodes() { return stop_conditions.folded_nodes + node_count; }

int search_iteration_until_stopped(const Deepening& deepening, int depth) {
  stop_conditions.stopped = false;
  stop_conditions.next_clock_check = node_count;
  return search_root<true>(deepening, depth);
}

RootMoves chosen_root_moves;

int search_chosen_root(const Deepening& deepening, int depth, bool stoppable) {
  follow_pv = 1;
  in_check = uint8_t(deepening.in_check_at_root);
  move_top = move_stack;
  if (!stoppable)
    return search_node<false, true>(-INFINITE_SCORE, INFINITE_SCORE, depth, depth, 0, 1, pv_line);
  stop_conditions.stopped = false;
  stop_conditions.next_clock_check = node_count;
  return search_node<true, true>(-INFINITE_SCORE, INFINITE_SCORE, depth, depth, 0, 1, pv_line);
}
