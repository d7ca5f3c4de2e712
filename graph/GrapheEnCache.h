// Paints the graph with its background kept in an image: the white ground,
// axes, graduations, grid and labels depend only on the frame and the axes,
// so they are drawn once per size and bounds; a repaint of part of the frame
// (a new point's marker during a scan) copies that part of the image and
// draws the data over it. A repaint of most of the frame draws everything
// afresh, which on a large frame costs less than copying every pixel. The
// picture is the same, pixel for pixel, as a full Tgraphe::Dessine on the
// same painter.
#pragma once

#include "graph/Graphe.h"
#include "graph/Rect.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <string>

class TGrapheEnCache {
 public:
  // `policeDeBase`: the font of the painted device (a widget's own font),
  // which the painter completes the graph's font from.
  explicit TGrapheEnCache(QFont policeDeBase = QFont());

  // Paints `graphe` inside its `cadre`; only the pixels of `zone` need to be
  // right (a window's update rectangle), the rest is left as it is.
  void Peint(Tgraphe& graphe, QPainter& peintre, const Rect& zone);
  void Peint(Tgraphe& graphe, QPainter& peintre) { Peint(graphe, peintre, graphe.cadre); }

  // How many times the background has been drawn.
  int FondsDessines() const { return fondsDessines_; }

 private:
  // Everything the background depends on.
  struct TCle {
    Rect cadre;
    double xMini = 0, xMaxi = 0, yMini = 0, yMaxi = 0;
    std::string xNom, xUnite, yNom, yUnite;
    qreal ratio = 1;
    QImage::Format format = QImage::Format_Invalid;
    friend bool operator==(const TCle&, const TCle&) = default;
  };
  static TCle CleDe(const Tgraphe& graphe, const QPainter& peintre, QImage::Format format);
  void DessineFond(Tgraphe& graphe, const TCle& cle);

  QFont policeDeBase_;
  QImage fond_;
  TCle cle_;
  int fondsDessines_ = 0;
};
