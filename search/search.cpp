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

// The selection step over a node's list, with shortcuts that leave the
// chosen move unchanged:
// - once pick_best has found no capture left (it then returns the first
//   entry), it is not called again: exchanges bring no capture back;
// - find_pv_or_killer, once a call has ended with follow_pv clear, can only
//   have looked for the killer, which is then searched or absent; as nothing
//   sets follow_pv or this ply's killer while the node runs (children store
//   killers at deeper plies), every later call would return null;
// - the first pick notes where the captures stand and their keys, so that
//   later picks look at those alone, not at every quiet move again. (Past
//   a few dozen captures pick_best walks the list as before.)
class Selector {
 public:
  bool lookups_done = false;

  Move select(Move* p, Move* end, int ply, bool use_lookups) {
    Move* q = nullptr;
    if (use_lookups && !(lookups_done && !follow_pv)) {
      q = find_pv_or_killer(p, end, ply);
      if (!follow_pv) lookups_done = true;
    }
    if (!q) {
      q = p;
      if (captures_left_) {
        q = best_capture(p, end);
        captures_left_ = move_captured(*q) != 0;
      }
    }
    if (captures_left_ && noted_ > 0) taken(p, q);
    if (q != p) {
      Move t = *p;
      *p = *q;
      *q = t;
    }
    return *p;
  }

 private:
  // pick_best(p, end), from the noted captures.
  Move* best_capture(Move* p, Move* end) {
    if (noted_ == NOT_YET) {
      if (end - p < 12) return pick_best(p, end);
      note(p, end);
    }
    if (noted_ == TOO_MANY) return pick_best(p, end);
    int b = -1;
    for (int i = 0; i < noted_; i++)
      if (b < 0 || key_[i] > key_[b] || (key_[i] == key_[b] && at_[i] < at_[b])) b = i;
    return b < 0 ? p : at_[b];
  }
  void note(Move* p, Move* end) {
    noted_ = 0;
    for (; p < end; p++) {
      int key = capture_key(*p);
      if (key == 0) continue;
      if (noted_ == NOTES) {
        noted_ = TOO_MANY;
        return;
      }
      at_[noted_] = p;
      key_[noted_++] = key;
    }
  }
  // The entry at q is searched at p, and the one at p goes to q.
  void taken(Move* p, Move* q) {
    for (int i = 0; i < noted_; i++) {
      if (at_[i] == q) {
        noted_--;
        at_[i] = at_[noted_];
        key_[i] = key_[noted_];
        i--;
      } else if (at_[i] == p) {
        at_[i] = q;
      }
    }
  }

  static constexpr int NOTES = 24, NOT_YET = -1, TOO_MANY = -2;
  bool captures_left_ = true;
  int noted_ = NOT_YET;
  Move* at_[NOTES];
  int key_[NOTES];
};

// A node's moves, picked by a Selector, in either search. A node that
// generates its list (the all-moves mode) may search its first move before
// it does: the killer when it is legal, else the best capture, both known
// without the list. Most such nodes cut off on that move and never generate
// the rest. When the list is generated after all, that move is swapped to
// its front, as the first selection would have done. This is done only where
// the list cannot lose moves to a full stack, so that the two ways agree.
// (The figure that generation stores is evaluated only at a node that lost
// every move to the stack, so a node that never generates needs none.)
class NodeMoves {
 public:
  // The list of generate_moves(ALL_MOVES, side_to_move), when needed.
  NodeMoves(Move* start, int ply, bool use_lookups)
      : start_(start), ply_(ply), use_lookups_(use_lookups) {}
  // A list already pushed, from start to move_top.
  explicit NodeMoves(Move* start) : start_(start), end_(move_top), ply_(0), use_lookups_(false) {}

  // The first move to search, then each next one; 0 after the last. The
  // work done once a node is in first, apart from next, which runs once a
  // move.
  Move first() {
    if (!end_) {
      if ((early_ = before_the_list())) return early_;
      generate();
    }
    return pick();
  }
  Move next() {
    p_++;
    if (!end_) generate();
    return pick();
  }
  // Whether the node has no move, and if so whether the stack lost some.
  bool none() const { return end_ == start_; }
  bool lost_moves() const { return lost_moves_; }

 private:
  Move pick() { return p_ < end_ ? selector_.select(p_, end_, ply_, use_lookups_) : 0; }
  Move before_the_list() {
    if (move_limit - start_ < most_moves(side_to_move)) return 0;
    if (use_lookups_) {
      // find_pv_or_killer's first call; the killer test holds out of check.
      if (follow_pv || in_check) return 0;
      selector_.lookups_done = true;
      if (quiet_move_is_generated(killers[ply_])) return killers[ply_];
    }
    return best_capture();
  }
  void generate() {
    // After a move searched before the list, unmake_move has cleared
    // in_check; the list is of the node's own position.
    uint8_t after = in_check;
    in_check = check_;
    unsigned drops = dropped_moves;
    mobility[side_to_move] = generate_moves(ALL_MOVES, side_to_move);
    end_ = move_top;
    lost_moves_ = dropped_moves != drops;
    in_check = after;
    if (early_) std::swap(*start_, *std::find(start_, end_, early_));
  }

  Move* start_;
  Move* p_ = start_;     // where the move being searched stands
  Move* end_ = nullptr;  // until the list is generated
  uint8_t check_ = in_check;
  int ply_;
  bool use_lookups_;
  bool lost_moves_ = false;
  Move early_ = 0;
  Selector selector_;
};

}  // namespace

namespace {

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
  NodeMoves moves = in_check ? NodeMoves(start, 0, false) : NodeMoves(start);
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
  if (c.requested.load(std::memory_order_relaxed) || (c.node_limit && node_count >= c.node_limit))
    return c.stopped = true;
  if (c.has_deadline && node_count >= c.next_clock_check) {
    constexpr int NODES_BETWEEN_CLOCK_READS = 4096;
    c.next_clock_check = node_count + NODES_BETWEEN_CLOCK_READS;
    if (std::chrono::steady_clock::now() >= c.deadline) return c.stopped = true;
  }
  return false;
}

// The principal search, in two builds: the engine's, which runs to its
// depth, and one that gives up as soon as must_stop says so. Giving up
// returns at once after a child, before its score is used, so the position
// is taken back move by move and nothing is learnt from the abandoned part.
template <bool STOPPABLE>
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

  NodeMoves moves(start, ply, null_state == 0);
  for (Move move = moves.first(); move; move = moves.next()) {
    int saved_rights = castle_rights;
    int previous_ep;
    int gives_check = ply > 0 ? make_move_after_legal(move, previous_ep) : make_move(move, previous_ep);
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
int search_root(int depth, int in_check_at_root) {
  follow_pv = 1;
  in_check = uint8_t(in_check_at_root);
  move_top = move_stack;
  return search_node<STOPPABLE>(-INFINITE_SCORE, INFINITE_SCORE, depth, depth, 0, 1, pv_line);
}

}  // namespace

int search(int alpha, int beta, int depth, int root_depth, int null_state, int pv_node,
           PvLine& pv) {
  return search_node<false>(alpha, beta, depth, root_depth, null_state, pv_node, pv);
}

int search_iteration(int depth, int in_check_at_root) {
  return search_root<false>(depth, in_check_at_root);
}

int search_iteration_until_stopped(int depth, int in_check_at_root) {
  stop_conditions.stopped = false;
  stop_conditions.next_clock_check = node_count;
  return search_root<true>(depth, in_check_at_root);
}
