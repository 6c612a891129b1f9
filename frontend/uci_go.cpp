// "go": its words read into limits, and the limits made into a search plan,
// the levels' node budgets and the root moves included.
#include <algorithm>

#include "frontend/levels.hpp"
#include "frontend/uci.hpp"

namespace {

// Each keyword of "go", with the number it takes or the flag it sets;
// searchmoves takes the words after it.
struct GoKeyword {
  std::string_view word;
  long long GoLimits::*number;
  bool GoLimits::*flag;
};
constexpr GoKeyword go_keywords[] = {
    {"wtime", &GoLimits::wtime, nullptr},         {"btime", &GoLimits::btime, nullptr},
    {"winc", &GoLimits::winc, nullptr},           {"binc", &GoLimits::binc, nullptr},
    {"movestogo", &GoLimits::movestogo, nullptr}, {"movetime", &GoLimits::movetime, nullptr},
    {"depth", &GoLimits::depth, nullptr},         {"nodes", &GoLimits::nodes, nullptr},
    {"mate", &GoLimits::mate, nullptr},           {"infinite", nullptr, &GoLimits::infinite},
    {"ponder", nullptr, &GoLimits::ponder},       {"searchmoves", nullptr, nullptr},
};

const GoKeyword* go_keyword(std::string_view word) {
  for (const GoKeyword& keyword : go_keywords)
    if (keyword.word == word) return &keyword;
  return nullptr;
}

// The legal moves of the position, or those of `words` that are legal here
// (each once); the others are said and left out.
RootMoves root_moves(const std::vector<std::string_view>& words) {
  RootMoves root;
  if (words.empty()) {
    move_top = move_stack;
    generate_moves(ALL_MOVES, side_to_move);
    for (const Move* p = move_stack; p < move_top && root.count < MOST_ROOT_MOVES; p++)
      root.moves[root.count++] = *p;
    move_top = move_stack;
    return root;
  }
  for (std::string_view word : words) {
    Move move = legal_uci_move(word);
    if (!move) {
      say("info string searchmoves: " + shown(word) + " is no legal move here; left out");
      continue;
    }
    if (std::find(root.moves, root.moves + root.count, move) == root.moves + root.count)
      root.moves[root.count++] = move;
  }
  return root;
}

}  // namespace

GoLimits read_go(const Words& words) {
  GoLimits limits;
  for (size_t i = 1; i < words.size(); i++) {
    const GoKeyword* keyword = go_keyword(words[i]);
    if (!keyword) {
      say("info string go: unknown word " + shown(words[i]));
      continue;
    }
    if (keyword->word == "searchmoves") {
      size_t before = limits.searchmoves.size();
      while (i + 1 < words.size() && !go_keyword(words[i + 1])) limits.searchmoves.push_back(words[++i]);
      if (limits.searchmoves.size() == before) say("info string go: searchmoves names no move");
      continue;
    }
    if (keyword->flag) {
      limits.*keyword->flag = true;
      continue;
    }
    long long number = 0;
    if (i + 1 >= words.size() || !read_number(words[i + 1], number)) {
      say("info string go: " + shown(words[i]) + " needs a number");
      // A word that is no keyword was meant as the number.
      if (i + 1 < words.size() && !go_keyword(words[i + 1])) i++;
      continue;
    }
    i++;
    // A GUI may send a negative time for a side that has overstepped. Any
    // count or time beyond two billion (23 days in milliseconds) is as good
    // as endless, and kept there the deadline's arithmetic cannot overflow.
    constexpr long long LARGEST = 2000000000;
    limits.*keyword->number = std::clamp<long long>(number, 0, LARGEST);
  }
  return limits;
}

bool plan_for(const GoLimits& limits, AnalysisPlan& plan, long long& nodes) {
  plan.deepens = limits.infinite || limits.ponder || limits.movetime >= 0 || limits.wtime >= 0 ||
                 limits.btime >= 0 || limits.nodes > 0 || limits.mate > 0;
  plan.mate = limits.mate;
  long long depth = limits.depth > 0   ? limits.depth
                    : limits.mate > 0  ? 2 * limits.mate - 1
                    : plan.deepens     ? DEEPEST_ITERATION
                                       : think_depth;
  if (depth > DEEPEST_ITERATION) {
    if (limits.depth > 0)
      say("info string depth " + std::to_string(depth) +
          " is deeper than the engine goes; it searches " + std::to_string(DEEPEST_ITERATION));
    depth = DEEPEST_ITERATION;
  }
  plan.depth = int(depth);
  nodes = limits.nodes;
  if (settings.limit_strength && settings.elo < FULL_STRENGTH_ELO) {
    // A level deepens as far as its budget allows, whatever else limits it.
    long long budget = level_nodes(int(settings.elo));
    nodes = nodes ? std::min(nodes, budget) : budget;
    if (limits.depth <= 0 && limits.mate <= 0) plan.depth = DEEPEST_ITERATION;
    plan.deepens = true;
  }
  plan.lines = int(settings.lines);
  plan.root = root_moves(limits.searchmoves);
  return plan.root.count > 0;
}
