#include "export/ImageSpectre.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>

#include "export/FichiersSpectre.h"
#include "graph/CanvasPrete.h"
#include "graph/Graphe.h"
#include "graph/QPainterCanvas.h"

namespace {

// A picture's resolution: one pixel is one point of a PDF page.
constexpr int kPointsParPouce = 72;
constexpr char kTitreImage[] = "Spectre Zelor";

bool TailleValide(QSize taille) {
  return taille.width() >= kCoteMinImage && taille.height() >= kCoteMinImage &&
         taille.width() <= kCoteMaxImage && taille.height() <= kCoteMaxImage;
}

QByteArray Png(const Tgraphe& graphe, QSize taille) {
  QImage image(taille, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter p(&image);
    DessineGraphe(graphe, p, QRect(QPoint(0, 0), taille));
  }
  QByteArray octets;
  QBuffer tampon(&octets);
  tampon.open(QIODevice::WriteOnly);
  image.save(&tampon, "PNG");
  return octets;
}

QByteArray Svg(const Tgraphe& graphe, QSize taille) {
  QByteArray octets;
  QBuffer tampon(&octets);
  tampon.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&tampon);
  svg.setSize(taille);
  svg.setViewBox(QRect(QPoint(0, 0), taille));
  svg.setResolution(kPointsParPouce);
  svg.setTitle(QString::fromLatin1(kTitreImage));
  {
    QPainter p(&svg);
    DessineGraphe(graphe, p, QRect(QPoint(0, 0), taille));
  }
  return octets;
}

QByteArray Pdf(const Tgraphe& graphe, QSize taille) {
  QByteArray octets;
  QBuffer tampon(&octets);
  tampon.open(QIODevice::WriteOnly);
  QPdfWriter pdf(&tampon);
  pdf.setResolution(kPointsParPouce);
  pdf.setPageSize(QPageSize(QSizeF(taille), QPageSize::Point, QString(), QPageSize::ExactMatch));
  pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
  pdf.setTitle(QString::fromLatin1(kTitreImage));
  {
    QPainter p(&pdf);
    DessineGraphe(graphe, p, QRect(QPoint(0, 0), taille));
  }
  return octets;
}

}  // namespace

std::optional<FormatImage> FormatImageDuNom(const QString& chemin) {
  const QString suffixe = QFileInfo(chemin).suffix().toLower();
  if (suffixe == "png") return FormatImage::Png;
  if (suffixe == "svg") return FormatImage::Svg;
  if (suffixe == "pdf") return FormatImage::Pdf;
  return std::nullopt;
}

void DessineGraphe(const Tgraphe& graphe, QPainter& peintre, const QRect& cadre) {
  Tgraphe copie = graphe;
  QPainterCanvas canvas(peintre);
  const TCanvasPrete prete(copie, canvas);
  copie.cadre = RectDe(cadre);
  copie.Dessine();
}

void DessinePage(const Tgraphe& graphe, QPainter& peintre, const QRect& page, const QString& legende,
                 const QString& commentaire) {
  QFont police = peintre.font();
  police.setPixelSize(std::max(12, page.height() / 50));
  police.setBold(true);
  peintre.setFont(police);
  peintre.setPen(Qt::black);
  const int interligne = QFontMetrics(police, peintre.device()).lineSpacing();
  QRect zone = page;
  peintre.drawText(zone, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, legende);
  zone.setTop(zone.top() + interligne);
  if (!commentaire.isEmpty()) {
    police.setBold(false);
    peintre.setFont(police);
    peintre.drawText(zone, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, commentaire);
    zone.setTop(zone.top() + interligne);
  }
  zone.setTop(zone.top() + interligne / 2);
  DessineGraphe(graphe, peintre, zone);
}

bool EcritImage(const Tgraphe& graphe, const QString& chemin, QSize taille, FormatImage format,
                QString& erreur) {
  if (!TailleValide(taille)) {
    erreur = QStringLiteral("taille %1 × %2 hors de %3..%4 pixels")
                 .arg(taille.width())
                 .arg(taille.height())
                 .arg(kCoteMinImage)
                 .arg(kCoteMaxImage);
    return false;
  }
  QByteArray octets;
  switch (format) {
    case FormatImage::Png:
      octets = Png(graphe, taille);
      break;
    case FormatImage::Svg:
      octets = Svg(graphe, taille);
      break;
    case FormatImage::Pdf:
      octets = Pdf(graphe, taille);
      break;
  }
  if (octets.isEmpty()) {
    erreur = QStringLiteral("image non produite");
    return false;
  }
  return EcritFichierAtomique(chemin, octets, erreur);
}
