#include "graph/QPainterCanvas.h"

#include "graph/TexteMesurial.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>

namespace {

// A dotted pen draws one pixel in three, from the line's start.
constexpr int PeriodePointille = 3;

}  // namespace

QPainterCanvas::QPainterCanvas(QPainter& peintre)
    : peintre_(peintre), couleurTexte_(Qt::black), mesures_(peintre.font()) {
  peintre_.setBrush(Qt::white);
  plume_ = peintre_.pen();
}

QPainterCanvas::QPainterCanvas(QPainter& peintre, const QFont& policeDeBase) : QPainterCanvas(peintre) {
  policeDeBase_ = policeDeBase;
}

QPainterCanvas::~QPainterCanvas() {
  Flush();
}

void QPainterCanvas::SetPen(StylePlume style, QColor couleur) {
  Flush();
  plume_ = QPen(couleur, 1, style == StylePlume::Pointille ? Qt::DotLine : Qt::SolidLine);
  peintre_.setPen(plume_);
  pointille_ = style == StylePlume::Pointille;
}

void QPainterCanvas::SetBrush(QColor couleur) {
  Flush();
  peintre_.setBrush(couleur);
}

void QPainterCanvas::SetFont(std::string_view nom, int hauteurCellule) {
  Flush();
  QFont police(QString::fromLatin1(nom.data(), static_cast<qsizetype>(nom.size())));
  const int hauteur = std::max(1, hauteurCellule);
  police.setPixelSize(hauteur);
  // A pixel size gives the em height; scale it so a whole line (ascent plus
  // descent) takes the asked height, as the layout expects.
  const int cellule = QFontMetrics(police).height();
  if (cellule > 0 && cellule != hauteur)
    police.setPixelSize(std::max(1, static_cast<int>(std::lround(double(hauteur) * hauteur / cellule))));
  if (policeDeBase_) {
    // What the base gives stays: the painter would otherwise complete the
    // font again from its own device's font.
    police = police.resolve(*policeDeBase_);
    police.setResolveMask(QFont::AllPropertiesResolved);
  }
  peintre_.setFont(police);
  mesures_ = QFontMetrics(peintre_.font());
}

void QPainterCanvas::SetTextColor(QColor couleur) {
  couleurTexte_ = couleur;
}

void QPainterCanvas::Line(int x1, int y1, int x2, int y2) {
  Flush();
  if ((x1 == x2 || y1 == y2) && peintre_.transform().isIdentity())
    LigneDroite(x1, y1, x2, y2);
  else
    peintre_.drawLine(x1, y1, x2, y2);
  position_ = QPoint(x2, y2);
}

// Axes and grid lines are horizontal or vertical: a one-pixel span fill, or a
// row of single pixels for a dotted pen, covers the same pixels several times
// faster than the general line stroker.
void QPainterCanvas::LigneDroite(int x1, int y1, int x2, int y2) {
  if (!pointille_) {
    peintre_.fillRect(std::min(x1, x2), std::min(y1, y2), std::abs(x2 - x1) + 1, std::abs(y2 - y1) + 1,
                      plume_.color());
    return;
  }
  const int longueur = std::max(std::abs(x2 - x1), std::abs(y2 - y1));
  const int dx = x2 > x1 ? 1 : x2 < x1 ? -1 : 0;
  const int dy = y2 > y1 ? 1 : y2 < y1 ? -1 : 0;
  points_.clear();
  for (int i = 0; i <= longueur; i += PeriodePointille) points_.append(QPoint(x1 + i * dx, y1 + i * dy));
  peintre_.drawPoints(points_.constData(), static_cast<int>(points_.size()));
}

void QPainterCanvas::MoveTo(int x, int y) {
  Flush();
  position_ = QPoint(x, y);
}

void QPainterCanvas::LineTo(int x, int y) {
  if (trace_.isEmpty()) trace_.append(position_);
  if (trace_.size() == PointsEnAttente) {
    Flush();
    trace_.append(position_);
  }
  position_ = QPoint(x, y);
  trace_.append(position_);
}

void QPainterCanvas::Rectangle(int left, int top, int right, int bottom) {
  Flush();
  // QPainter's outline covers width + 1 pixels; the last column and row stay
  // outside, as with every rectangle of the canvas.
  peintre_.drawRect(left, top, std::max(0, right - left - 1), std::max(0, bottom - top - 1));
}

void QPainterCanvas::FillRect(const Rect& zone) {
  Flush();
  peintre_.fillRect(zone.left, zone.top, zone.Largeur(), zone.Hauteur(), peintre_.brush());
}

void QPainterCanvas::TextOut(int x, int y, std::string_view texte) {
  Flush();
  peintre_.setPen(couleurTexte_);
  peintre_.drawText(QPoint(x, y + mesures_.ascent()), VersUnicode(texte));
  peintre_.setPen(plume_);
}

QSize QPainterCanvas::TextExtent(std::string_view texte) {
  return {mesures_.horizontalAdvance(VersUnicode(texte)), mesures_.height()};
}

void QPainterCanvas::Flush() {
  if (trace_.size() >= 2) peintre_.drawPolyline(trace_.constData(), static_cast<int>(trace_.size()));
  trace_.clear();
}
