// Lends a canvas to a graph for the length of one drawing: the graph draws
// on it, and gets back whatever canvas it had once the drawing is over, even
// when the drawing leaves early.
#pragma once

#include "graph/Graphe.h"

class TCanvasPrete {
 public:
  TCanvasPrete(Tgraphe& graphe, Canvas& canvas) : graphe_(graphe), avant_(graphe.canvas) {
    graphe_.canvas = &canvas;
  }
  ~TCanvasPrete() { graphe_.canvas = avant_; }
  TCanvasPrete(const TCanvasPrete&) = delete;
  TCanvasPrete& operator=(const TCanvasPrete&) = delete;

 private:
  Tgraphe& graphe_;
  Canvas* avant_;
};
