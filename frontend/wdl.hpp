// Win, draw and loss chances from this engine's scores, fitted on its own
// games, for the UCI program's "wdl" reports.
#pragma once

struct WinDrawLoss {
  int win, draw, loss;  // per mille, summing to 1000, for the side to move
};

// The chances of the side to move whose search to `depth` scored `score`
// centipawns (a mate score beyond the evaluation's range is a sure result),
// with `material` centipawns of pieces left on the board, both sides' together.
WinDrawLoss win_draw_loss(int score, int depth, int material);
