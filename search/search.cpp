// The quiescence and principal searches: fail-soft negamax over the one
// global position, every node making and unmaking its moves in place and
// keeping its list on the shared move stack above its parent's. Scores are
// always the side to move's; a mated side scores its distance from the root
// less 10000 in the principal search and -9999 in the quiescence search.
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

  unsigned drops = dropped_moves;
  mobility[side_to_move] = generate_moves(ALL_MOVES, side_to_move);
  if (move_top == start) {
    // Moves lost to a full stack must not make the node look mated.
    if (dropped_moves != drops)
      best = evaluate();
    else
      best = in_check ? ply - INFINITE_SCORE : 0;
  }

  Selector selector;
  for (Move* p = start; p < move_top; p++) {
    Move move = selector.select(p, move_top, ply, null_state == 0);
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
