// Canvas over a QPainter: a widget's paint event, a QImage or a printer.
#pragma once

#include "graph/Canvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QVarLengthArray>
#include <optional>

// The kernel's rectangle over the pixels of a toolkit rectangle, whose right
// and bottom are the last pixels inside it.
inline Rect RectDe(const QRect& r) {
  return {r.left(), r.top(), r.right() + 1, r.bottom() + 1};
}

class QPainterCanvas : public Canvas {
 public:
  // The painter must stay active for the life of the canvas; its pen, brush
  // and font are changed. The brush starts solid white.
  explicit QPainterCanvas(QPainter& peintre);
  // Fonts are completed from `policeDeBase` first: drawing on an image the
  // way a painter of a widget with that font draws.
  QPainterCanvas(QPainter& peintre, const QFont& policeDeBase);
  ~QPainterCanvas() override;
  QPainterCanvas(const QPainterCanvas&) = delete;
  QPainterCanvas& operator=(const QPainterCanvas&) = delete;

  void SetPen(StylePlume style, QColor couleur) override;
  void SetBrush(QColor couleur) override;
  void SetFont(std::string_view nom, int hauteurCellule) override;
  void SetTextColor(QColor couleur) override;
  void Line(int x1, int y1, int x2, int y2) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Rectangle(int left, int top, int right, int bottom) override;
  void FillRect(const Rect& zone) override;
  void TextOut(int x, int y, std::string_view texte) override;
  QSize TextExtent(std::string_view texte) override;
  void Flush() override;

 private:
  void LigneDroite(int x1, int y1, int x2, int y2);

  // Room for a whole spectrum polyline, so batching never allocates.
  static constexpr int PointsEnAttente = 1100;

  QPainter& peintre_;
  std::optional<QFont> policeDeBase_;
  QPen plume_;
  bool pointille_ = false;
  QColor couleurTexte_;
  QFontMetrics mesures_;  // of the painter's current font
  QPoint position_;
  // Line-to calls since the last move, drawn as one polyline.
  QVarLengthArray<QPoint, PointsEnAttente> trace_;
  // The dots of one dotted line.
  QVarLengthArray<QPoint, PointsEnAttente> points_;
};
