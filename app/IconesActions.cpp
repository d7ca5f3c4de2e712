#include "app/IconesActions.h"

#include <QPainter>
#include <QPixmap>

namespace {

void DessineBlanc(QPainter& p) {
  // A cuvette of clear solvent.
  p.setPen(QPen(Qt::darkGray, 1.5));
  p.setBrush(QColor(220, 235, 255));
  p.drawRect(QRectF(6, 3, 8, 14));
}

void DessineSpectre(QPainter& p) {
  p.setPen(QPen(Qt::blue, 1.5));
  const QPointF courbe[] = {{2, 17}, {6, 15}, {9, 6}, {11, 3}, {13, 8}, {16, 15}, {18, 16}};
  p.drawPolyline(courbe, std::size(courbe));
}

void DessineMesurial(QPainter& p) {
  // An arrow out to the companion program.
  p.setPen(QPen(Qt::darkGreen, 2));
  p.drawLine(QPointF(3, 10), QPointF(16, 10));
  p.drawLine(QPointF(12, 6), QPointF(16, 10));
  p.drawLine(QPointF(12, 14), QPointF(16, 10));
}

void DessineQuitter(QPainter& p) {
  p.setPen(QPen(Qt::darkRed, 2));
  p.drawLine(QPointF(5, 5), QPointF(15, 15));
  p.drawLine(QPointF(15, 5), QPointF(5, 15));
}

void DessineAPropos(QPainter& p) {
  p.setPen(QPen(Qt::darkBlue, 1.5));
  p.drawEllipse(QRectF(3, 3, 14, 14));
  p.drawLine(QPointF(10, 9), QPointF(10, 14));
  p.drawPoint(QPointF(10, 6));
}

void DessineCommande(QPainter& p) {
  // A control knob.
  p.setPen(QPen(Qt::black, 1.5));
  p.setBrush(Qt::lightGray);
  p.drawEllipse(QRectF(4, 4, 12, 12));
  p.drawLine(QPointF(10, 10), QPointF(10, 4));
}

void DessineConfigCom(QPainter& p) {
  // A serial plug with its pins.
  p.setPen(QPen(Qt::black, 1.5));
  p.setBrush(QColor(200, 200, 160));
  const QPointF prise[] = {{3, 6}, {17, 6}, {15, 14}, {5, 14}};
  p.drawPolygon(prise, std::size(prise));
  for (int x = 6; x <= 14; x += 2) p.drawPoint(QPointF(x, 9));
}

void DessineEnregistrer(QPainter& p) {
  // A floppy disk.
  p.setPen(QPen(Qt::black, 1.2));
  p.setBrush(QColor(70, 110, 180));
  p.drawRect(QRectF(3, 3, 14, 14));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(6, 3, 8, 5));
  p.drawRect(QRectF(5, 11, 10, 6));
}

void DessineOuvrir(QPainter& p) {
  // An open folder.
  p.setPen(QPen(QColor(120, 90, 20), 1.2));
  p.setBrush(QColor(240, 200, 90));
  const QPointF dos[] = {{2, 5}, {8, 5}, {9, 7}, {16, 7}, {16, 16}, {2, 16}};
  p.drawPolygon(dos, std::size(dos));
  p.setBrush(QColor(250, 220, 120));
  const QPointF rabat[] = {{2, 16}, {5, 10}, {19, 10}, {16, 16}};
  p.drawPolygon(rabat, std::size(rabat));
}

void DessineImage(QPainter& p) {
  // A framed picture of a curve.
  p.setPen(QPen(Qt::darkGray, 1.2));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(2, 4, 16, 12));
  p.setPen(QPen(Qt::blue, 1.5));
  const QPointF courbe[] = {{4, 14}, {8, 12}, {10, 7}, {12, 12}, {16, 13}};
  p.drawPolyline(courbe, std::size(courbe));
}

void DessineImprimer(QPainter& p) {
  // A printer with its sheet.
  p.setPen(QPen(Qt::black, 1.2));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(6, 2, 8, 6));
  p.setBrush(Qt::lightGray);
  p.drawRect(QRectF(2, 8, 16, 7));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(5, 13, 10, 5));
}

}  // namespace

QIcon IconeAction(int image) {
  void (*dessin)(QPainter&) = nullptr;
  switch (image) {
    case ImageBlanc:
      dessin = DessineBlanc;
      break;
    case ImageCommande:
      dessin = DessineCommande;
      break;
    case ImageConfigCom:
      dessin = DessineConfigCom;
      break;
    case ImageQuitter:
      dessin = DessineQuitter;
      break;
    case ImageMesurial:
      dessin = DessineMesurial;
      break;
    case ImageSpectre:
      dessin = DessineSpectre;
      break;
    case ImageAPropos:
      dessin = DessineAPropos;
      break;
    case ImageEnregistrer:
      dessin = DessineEnregistrer;
      break;
    case ImageOuvrir:
      dessin = DessineOuvrir;
      break;
    case ImageImage:
      dessin = DessineImage;
      break;
    case ImageImprimer:
      dessin = DessineImprimer;
      break;
    default:
      return {};
  }
  QPixmap image20(TailleIcone, TailleIcone);
  image20.fill(Qt::transparent);
  QPainter p(&image20);
  p.setRenderHint(QPainter::Antialiasing);
  dessin(p);
  p.end();
  return QIcon(image20);
}
