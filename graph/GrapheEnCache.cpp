#include "graph/GrapheEnCache.h"

#include "graph/CanvasPrete.h"
#include "graph/QPainterCanvas.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// The pixel format painted into in the end: a window paints into its
// backing store's image. Text is drawn the same way only on the same format.
QImage::Format FormatPeint(const QPainter& peintre) {
  const QPaintEngine* moteur = peintre.paintEngine();
  const QPaintDevice* cible = moteur != nullptr ? moteur->paintDevice() : peintre.device();
  if (cible != nullptr && cible->devType() == QInternal::Image)
    return static_cast<const QImage*>(cible)->format();
  return QImage::Format_ARGB32_Premultiplied;
}

// A zone at least this fraction of the frame (1/n) is drawn afresh rather
// than copied from the cached background.
constexpr int64_t DiviseurCopie = 4;

Rect Intersection(const Rect& a, const Rect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

}  // namespace

TGrapheEnCache::TGrapheEnCache(QFont policeDeBase) : policeDeBase_(std::move(policeDeBase)) {}

TGrapheEnCache::TCle TGrapheEnCache::CleDe(const Tgraphe& graphe, const QPainter& peintre,
                                           QImage::Format format) {
  TCle cle;
  cle.cadre = graphe.cadre;
  cle.xMini = graphe.mondeX.mini;
  cle.xMaxi = graphe.mondeX.maxi;
  cle.yMini = graphe.mondeY.mini;
  cle.yMaxi = graphe.mondeY.maxi;
  cle.xNom = graphe.mondeX.nom.Texte();
  cle.xUnite = graphe.mondeX.unite.Texte();
  cle.yNom = graphe.mondeY.nom.Texte();
  cle.yUnite = graphe.mondeY.unite.Texte();
  cle.ratio = peintre.device() != nullptr ? peintre.device()->devicePixelRatioF() : 1;
  cle.format = format;
  return cle;
}

void TGrapheEnCache::Peint(Tgraphe& graphe, QPainter& peintre, const Rect& zone) {
  const Rect z = Intersection(zone, graphe.cadre);
  if (z.Largeur() <= 0 || z.Hauteur() <= 0) return;
  if (static_cast<int64_t>(z.Largeur()) * z.Hauteur() * DiviseurCopie >=
      static_cast<int64_t>(graphe.cadre.Largeur()) * graphe.cadre.Hauteur()) {
    // Copying most of the frame costs more than drawing the ground afresh:
    // a fill and a few lines of text write fewer bytes than a full copy.
    QPainterCanvas canvas(peintre);
    const TCanvasPrete prete(graphe, canvas);
    graphe.Dessine();
    return;
  }
  // The layout first: it repairs the bounds the key is made of.
  graphe.Dispose();
  const TCle cle = CleDe(graphe, peintre, FormatPeint(peintre));
  if (fond_.isNull() || !(cle == cle_)) DessineFond(graphe, cle);
  // The image covers the device from its origin, so its pixels and the
  // device's are the same ones: a plain copy.
  const QRectF cible(z.left, z.top, z.Largeur(), z.Hauteur());
  const QRectF source(z.left * cle.ratio, z.top * cle.ratio, z.Largeur() * cle.ratio,
                      z.Hauteur() * cle.ratio);
  peintre.drawImage(cible, fond_, source);
  peintre.save();
  peintre.setClipRect(QRect(z.left, z.top, z.Largeur(), z.Hauteur()), Qt::IntersectClip);
  {
    QPainterCanvas canvas(peintre);
    const TCanvasPrete prete(graphe, canvas);
    graphe.DessineDonnees(z);
  }
  peintre.restore();
}

void TGrapheEnCache::DessineFond(Tgraphe& graphe, const TCle& cle) {
  const int largeur = std::max(1, graphe.cadre.right);
  const int hauteur = std::max(1, graphe.cadre.bottom);
  fond_ = QImage(static_cast<int>(std::ceil(largeur * cle.ratio)),
                 static_cast<int>(std::ceil(hauteur * cle.ratio)), cle.format);
  fond_.setDevicePixelRatio(cle.ratio);
  QPainter peintre(&fond_);
  {
    // Fonts completed from the device's font, as its own painter would.
    QPainterCanvas canvas(peintre, policeDeBase_);
    const TCanvasPrete prete(graphe, canvas);
    graphe.DessineFond();
  }
  cle_ = cle;
  ++fondsDessines_;
}
