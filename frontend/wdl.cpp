// The model, fitted to the engine's own games (tools/rating/wdl_fit.mjs): a
// logistic curve for each result, the win's rising and the loss's falling
// with the score, the draw what they leave between them. The material left
// widens the band of draws (a) and the curves (b); a score from an odd
// depth, whose line ends with the other side to move and so counts its
// mobility, not the mover's, is raised to match an even depth's; and every
// score gives up the lean that the mover's mobility gives it, as the games
// against itself show.
#include "frontend/wdl.hpp"

#include <algorithm>
#include <cmath>

#include "search/search.hpp"

namespace {

// Fitted by tools/rating/wdl_fit.mjs on Quorlix's 300 games against Stockfish
// 1700 and 1800 and 128 against itself, 21,823 moves:
//   node tools/rating/wdl_fit.mjs doc/strength/wdl/stockfish-1700.pgn
//     doc/strength/wdl/stockfish-1800.pgn --self-play doc/strength/wdl/itself.pgn
constexpr double WDL_A0 = 476.49, WDL_A1 = -366.86;  // a: a win as likely as not at s = a
constexpr double WDL_B0 = 241.17, WDL_B1 = 12.15;    // b: centipawns a step of the logistic
constexpr double WDL_ODD_DEPTH = 49.72;              // added to a score from an odd depth
constexpr double WDL_SHIFT = -27.94;                 // added to every score: the mover's lean
constexpr double WDL_START_MATERIAL = 7800;  // both sides' at the start, pawn 100 ... queen 900
constexpr int WDL_SCORE_CLAMP = 2000;

double logistic(double x) { return 1 / (1 + std::exp(-x)); }

}  // namespace

WinDrawLoss win_draw_loss(int score, int depth, int material) {
  if (score > EVALUATION_LIMIT) return {1000, 0, 0};
  if (score < -EVALUATION_LIMIT) return {0, 0, 1000};
  double m = std::min(1.0, material / WDL_START_MATERIAL);
  double s = std::clamp(score, -WDL_SCORE_CLAMP, WDL_SCORE_CLAMP) +
             (depth % 2 ? WDL_ODD_DEPTH : 0.0) + WDL_SHIFT;
  double a = std::max(1.0, WDL_A0 + WDL_A1 * m);
  double b = std::max(1.0, WDL_B0 + WDL_B1 * m);
  int win = int(std::lround(1000 * logistic((s - a) / b)));
  int loss = int(std::lround(1000 * logistic((-s - a) / b)));
  // Rounding must not push the draw below nothing.
  if (win + loss > 1000) (win > loss ? win : loss) = 1000 - std::min(win, loss);
  return {win, 1000 - win - loss, loss};
}
