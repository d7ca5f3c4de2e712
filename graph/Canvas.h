// The drawing surface the graph kernel paints on. It is kept this thin so the
// same kernel draws on a window, an image or a printer: each only needs an
// adapter (QPainterCanvas serves all three through QPainter).
#pragma once

#include "graph/Rect.h"

#include <QColor>
#include <QSize>
#include <string_view>

enum class StylePlume { Plein, Pointille };

class Canvas {
 public:
  virtual ~Canvas() = default;

  virtual void SetPen(StylePlume style, QColor couleur) = 0;
  virtual void SetBrush(QColor couleur) = 0;
  // `hauteurCellule`: height of a text line in pixels (ascent plus descent).
  virtual void SetFont(std::string_view nom, int hauteurCellule) = 0;
  virtual void SetTextColor(QColor couleur) = 0;

  // Lines include both end points.
  virtual void Line(int x1, int y1, int x2, int y2) = 0;
  virtual void MoveTo(int x, int y) = 0;
  virtual void LineTo(int x, int y) = 0;
  // Outline with the pen, inside with the brush; covers the pixels from
  // (left, top) to (right - 1, bottom - 1).
  virtual void Rectangle(int left, int top, int right, int bottom) = 0;
  // The brush alone over the same pixels as Rectangle.
  virtual void FillRect(const Rect& zone) = 0;

  // 8-bit text of the program (the byte 0x88 is the wavelength sign), drawn
  // with its top-left corner at (x, y) and no background.
  virtual void TextOut(int x, int y, std::string_view texte) = 0;
  virtual QSize TextExtent(std::string_view texte) = 0;

  // Ends a series of drawing calls; adapters that batch line-to calls draw
  // them here at the latest.
  virtual void Flush() {}
};
