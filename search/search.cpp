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

// The selection step over a node's list, with two shortcuts that leave the
// chosen move unchanged:
// - once pick_best has found no capture left (it then returns the first
//   entry), it is not called again: exchanges bring no capture back;
// - find_pv_or_killer, once a call has ended with follow_pv clear, can only
//   have looked for the killer, which is then searched or absent; as nothing
//   sets follow_pv or this ply's killer while the node runs (children store
//   killers at deeper plies), every later call would return null.
struct Selector {
  bool captures_left = true;
  bool lookups_done = false;

  Move select(Move* p, Move* end, int ply, bool use_lookups) {
    Move* q = nullptr;
    if (use_lookups && !(lookups_done && !follow_pv)) {
      q = find_pv_or_killer(p, end, ply);
      if (!follow_pv) lookups_done = true;
    }
    if (!q) {
      q = p;
      if (captures_left) {
        q = pick_best(p, end);
        captures_left = move_captured(*q) != 0;
      }
    }
    if (q != p) {
      Move t = *p;
      *p = *q;
      *q = t;
    }
    return *p;
  }
};

// A principal search node's moves, picked by a Selector. The node may search
// its first move before it generates its list: the killer when it is legal,
// else the best capture, which the captures alone tell (no other move has a
// capture key). Most such nodes cut off on that move and never generate the
// rest. When the list is generated after all, that move is swapped to its
// front, as the first selection would have done. This is done only where the
// list cannot lose moves to a full stack, so that the two ways agree. (The
// figure that generation stores is evaluated only at a node that lost every
// move to the stack, so a node that never generates needs none.)
class NodeMoves {
 public:
  NodeMoves(Move* start, int ply, bool use_lookups)
      : start_(start), ply_(ply), use_lookups_(use_lookups) {}

  // The move to search at p (start, start + 1, ...), or 0 after the last.
  Move next(Move* p) {
    if (p == start_) {
      if ((early_ = before_the_list())) return early_;
      generate();
    } else if (p == start_ + 1 && early_) {
      generate();
      std::swap(*start_, *std::find(start_, end_, early_));
    }
    return p < end_ ? selector_.select(p, end_, ply_, use_lookups_) : 0;
  }
  // Whether the node has no move, and if so whether the stack lost some.
  bool none() const { return end_ == start_; }
  bool lost_moves() const { return lost_moves_; }

 private:
  Move before_the_list() {
    if (in_check || follow_pv || move_limit - start_ < most_moves(side_to_move)) return 0;
    if (use_lookups_) {
      // What find_pv_or_killer does with follow_pv clear.
      selector_.lookups_done = true;
      if (quiet_move_is_generated(killers[ply_])) return killers[ply_];
    }
    all_captures_push(side_to_move);
    Move best = move_top > start_ ? *pick_best(start_, move_top) : 0;
    move_top = start_;
    return best;
  }
  void generate() {
    unsigned drops = dropped_moves;
    mobility[side_to_move] = generate_moves(ALL_MOVES, side_to_move);
    end_ = move_top;
    lost_moves_ = dropped_moves != drops;
  }

  Move* start_;
  Move* end_ = nullptr;  // until the list is generated
  int ply_;
  bool use_lookups_;
  bool lost_moves_ = false;
  Move early_ = 0;
  Selector selector_;
};

}  // namespace

int quiesce(int alpha, int beta, int depth) {
  node_count++;
  Move* start = move_top;
  int best = -INFINITE_SCORE;
  if (in_check) {
    unsigned drops = dropped_moves;
    mobility[side_to_move] = generate_moves(ALL_MOVES, side_to_move);
    // Moves lost to a full stack must not make the node look mated.
    if (move_top == start && dropped_moves != drops) return evaluate();
  } else {
    // Most nodes stand pat on the figure alone, so the moves are pushed
    // only once the stand-pat score has failed to cut.
    mobility[side_to_move] = capture_mode_count(side_to_move);
    best = evaluate();
    if (best > alpha) {
      if (best >= beta) return best;
      alpha = best;
    }
    if (depth >= QUIESCENCE_FLOOR) capture_mode_push(side_to_move);
  }
  if (move_top != start && depth >= QUIESCENCE_FLOOR) {
    Selector selector;
    for (Move* p = start; p < move_top; p++) {
      Move move = selector.select(p, move_top, 0, false);
      int saved_rights = castle_rights;
      int previous_ep;
      make_move(move, previous_ep);
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
  }
  move_top = start;
  return in_check ? -MATE_SCORE : best;
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
  for (Move* p = start; Move move = moves.next(p); p++) {
    int saved_rights = castle_rights;
    int previous_ep;
    int gives_check = make_move(move, previous_ep);
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
