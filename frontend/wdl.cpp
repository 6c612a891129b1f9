// The model: a logistic curve for each result, the win's rising and the
// loss's falling with the score, the draw what they leave between them.
// Provisional constants until the fit on the rating games is in.
#include "frontend/wdl.hpp"

#include <algorithm>
#include <cmath>

#include "search/search.hpp"

namespace {

constexpr double OFFSET = 150;  // the score at which a win is as likely as not
constexpr double SCALE = 100;   // centipawns per step of the logistic

double logistic(double x) { return 1 / (1 + std::exp(-x)); }

}  // namespace

WinDrawLoss win_draw_loss(int score, int depth, int material) {
  (void)depth;
  (void)material;
  if (score > EVALUATION_LIMIT) return {1000, 0, 0};
  if (score < -EVALUATION_LIMIT) return {0, 0, 1000};
  double s = score;
  int win = int(std::lround(1000 * logistic((s - OFFSET) / SCALE)));
  int loss = int(std::lround(1000 * logistic((-s - OFFSET) / SCALE)));
  // Rounding must not push the draw below nothing.
  if (win + loss > 1000) (win > loss ? win : loss) = 1000 - std::min(win, loss);
  return {win, 1000 - win - loss, loss};
}
