// A go's search and what it says: the clock and the ponder state around the
// deepening of search/, the one place that reports its iterations, and the
// bestmove, sent now or kept for "stop" or "ponderhit".
#include <algorithm>
#include <atomic>
#include <mutex>

#include "frontend/clock.hpp"
#include "frontend/uci.hpp"
#include "frontend/wdl.hpp"

namespace {

// Scores for the protocol: centipawns, or a mate in moves when the line
// shows one (`plies` from mate_distance); a winning score whose mate cannot
// be shown stays in centipawns, at the evaluation's bound.
std::string score_text(int score, int plies) {
  if (score >= -EVALUATION_LIMIT && score <= EVALUATION_LIMIT) return "cp " + std::to_string(score);
  if (plies > 0) return "mate " + std::to_string((plies + 1) / 2);
  if (plies < 0) return "mate -" + std::to_string((1 - plies) / 2);
  return "cp " + std::to_string(score > 0 ? EVALUATION_LIMIT : -EVALUATION_LIMIT);
}

long long microseconds_between(SearchClock::rep from, SearchClock::rep to) {
  return std::chrono::duration_cast<std::chrono::microseconds>(SearchClock::duration(to - from))
      .count();
}

SearchClock::rep clock_now() { return SearchClock::now().time_since_epoch().count(); }

// A ponder search runs until "ponderhit" turns it into the timed search its
// "go" describes, its clock starting then, or until "stop". The host's
// reader thread may call uci_ponderhit while the search runs, so what the
// two share is kept under a lock; the gos are numbered as they are handled.
#ifdef __wasi__
// The web build has one thread and a library without mutexes.
struct PonderMutex {};
struct PonderLock {
  explicit PonderLock(PonderMutex&) {}
};
#else
using PonderMutex = std::mutex;
using PonderLock = std::lock_guard<std::mutex>;
#endif
PonderMutex ponder_mutex;
long long gos_handled = 0;
long long pondering_go = 0;  // the go now pondering; 0: none
long long hit_go = 0;        // the latest go that has had its ponderhit
Budget budget;               // the running go's
// When the running go's clock started; NO_DEADLINE while it ponders.
std::atomic<SearchClock::rep> clock_started{NO_DEADLINE};

void start_clock(SearchClock::rep now) {
  if (budget.timed)
    stop_conditions.deadline =
        now + std::chrono::duration_cast<SearchClock::duration>(std::chrono::milliseconds(budget.hard))
                  .count();
  clock_started = now;
}

std::string pending_bestmove;  // an endless search answers at "stop" or "ponderhit"

// Sends the answer of a go, or keeps it for "stop" (or "ponderhit") when the
// search was to run until told to stop. Ends the go's pondering. Returns
// whether the answer went out now.
bool answer(const std::string& text, const GoLimits& limits) {
  bool still_pondering;
  {
    PonderLock lock(ponder_mutex);
    still_pondering = pondering_go != 0;
    pondering_go = 0;
  }
  if ((limits.infinite || still_pondering) && !stop_conditions.requested.load()) {
    pending_bestmove = text;
    return false;
  }
  say(text);
  return true;
}

// The running go's: when it was read, and the nodes of its iterations, by
// which the clock judges whether another one fits.
SearchClock::rep go_started;
long long nodes_reported = 0, last_nodes = 0;

// Reports an iteration, a line each; with one line, as the engine's own
// lines go, without "multipv". Then whether the clock allows another.
bool report(const Iteration& it) {
  SearchClock::rep now = clock_now();
  long long elapsed_us = microseconds_between(go_started, now);
  long long nodes = searched_nodes();
  long long nps = nodes * 1000000 / std::max<long long>(elapsed_us, 1);
  int material = piece_material[WHITE] + piece_material[BLACK];
  for (int i = 0; i < it.count; i++) {
    const AnalysisLine& line = it.lines[i];
    std::string text = "info depth " + std::to_string(it.depth);
    if (settings.lines > 1) text += " multipv " + std::to_string(i + 1);
    text += " score " + score_text(line.score, line.mate_plies);
    if (settings.show_wdl) {
      WinDrawLoss chances = win_draw_loss(line.score, it.depth, material);
      text += " wdl " + std::to_string(chances.win) + " " + std::to_string(chances.draw) + " " +
              std::to_string(chances.loss);
    }
    text += " nodes " + std::to_string(nodes) + " nps " + std::to_string(nps) + " time " +
            std::to_string(elapsed_us / 1000);
    if (line.line.length) text += " pv";
    for (int m = 0; m < line.line.length; m++) text += std::string(" ") + format_move(line.line.moves[m]);
    say(text);
  }
  long long nodes_before = last_nodes;
  last_nodes = nodes - nodes_reported;
  nodes_reported = nodes;
  SearchClock::rep clock_start = clock_started.load();
  if (!budget.timed || clock_start == NO_DEADLINE) return true;
  double us_per_node = double(elapsed_us) / double(std::max(nodes, 1LL));
  return !next_iteration_too_long(budget, microseconds_between(clock_start, now), last_nodes,
                                  nodes_before, us_per_node);
}

}  // namespace

void flush_pending_bestmove() {
  if (pending_bestmove.empty()) return;
  say(pending_bestmove);
  pending_bestmove.clear();
}

void go_command(const Words& words) {
  flush_pending_bestmove();
  go_started = clock_now();
  {
    PonderLock lock(ponder_mutex);
    gos_handled++;
  }
  GoLimits limits = read_go(words);
  if (!game.error.empty()) {
    say("info string no position to search: " + game.error);
    answer("bestmove 0000", limits);
    return;
  }
  Move first_legal = first_legal_move();
  if (!first_legal) {
    say(in_check ? "info depth 0 score mate 0" : "info depth 0 score cp 0");
    answer("bestmove 0000", limits);
    return;
  }
  AnalysisPlan plan;
  long long nodes;
  if (!plan_for(limits, plan, nodes)) {
    say("info string searchmoves: no legal move left to search");
    answer("bestmove 0000", limits);
    return;
  }
  plan.iteration_done = report;

  ClockLimits clock;
  clock.time_left = side_to_move == WHITE ? limits.wtime : limits.btime;
  clock.increment = side_to_move == WHITE ? limits.winc : limits.binc;
  clock.moves_to_go = limits.movestogo;
  clock.movetime = limits.movetime;
  clock.overhead = settings.move_overhead;
  clock.lag = lag_for_go(game.start, game.moves.size(), clock);
  stop_conditions.node_limit = nodes;
  stop_conditions.folded_nodes = 0;
  nodes_reported = last_nodes = 0;
  {
    PonderLock lock(ponder_mutex);
    budget = limits.infinite ? Budget{} : budget_for(clock);
    stop_conditions.deadline = NO_DEADLINE;
    clock_started = NO_DEADLINE;
    if (limits.ponder && hit_go < gos_handled)
      pondering_go = gos_handled;
    else
      start_clock(go_started);  // not pondering, or the hit came before the search began
  }

  Move reply = 0;
  Move best = analyse(plan, reply);
  stop_conditions.deadline = NO_DEADLINE;
  stop_conditions.node_limit = 0;

  std::string text = std::string("bestmove ") + format_move(best ? best : first_legal);
  if (best && reply) text += std::string(" ponder ") + format_move(reply);
  SearchClock::rep clock_start = clock_started.load();
  if (answer(text, limits) && clock.time_left >= 0 && clock_start != NO_DEADLINE && game.known)
    timed_move_answered(game.start, game.moves.size(), clock,
                        microseconds_between(clock_start, clock_now()) / 1000);
}

void uci_ponderhit(long long go_number) {
  PonderLock lock(ponder_mutex);
  hit_go = std::max(hit_go, go_number);
  if (pondering_go == go_number) {
    pondering_go = 0;
    start_clock(clock_now());
  }
}
