#include "graph/Graphe.h"

#include "graph/Etiquette.h"
#include "graph/TexteMesurial.h"

#include <algorithm>
#include <cmath>

namespace {

const QColor Gris(128, 128, 128);
const QColor Blanc(255, 255, 255);
const QColor Bleu(0, 0, 255);

// Text heights by canvas height: small, medium and large screens.
constexpr int LignesParHauteur = 32;
constexpr int PetitTexte = 13;
constexpr int MoyenTexte = 16;
constexpr int GrandTexte = 20;
constexpr int DernierPetit = 13;
constexpr int DernierMoyen = 18;
constexpr int HauteurParDemiMarque = 256;

// A step yields at most a dozen graduations; the cap only stops a running
// value that misbehaves.
constexpr int MaxGraduations = 64;
// Zero snapping: a graduation this close to 0, relative to the range, reads 0.
constexpr double FractionZeroHorizontal = 100;
constexpr double FractionZeroVertical = 1000;

// Axis title: name, and the unit in parentheses when there is one.
using TexteTitre = std::array<char, 8 + 20 + 3>;
std::string_view Titre(const Tmonde& monde, TexteTitre& tampon) {
  size_t n = 0;
  const auto ajoute = [&](std::string_view s) {
    for (char c : s) tampon[n++] = c;
  };
  ajoute(monde.nom);
  if (!monde.unite.empty()) {
    ajoute("(");
    ajoute(monde.unite);
    ajoute(")");
  }
  return {tampon.data(), n};
}

// The next graduation in single precision, or false when it no longer grows.
bool Suivante(float& v, double pas) {
  const float suivant = static_cast<float>(v + pas);
  if (!(suivant > v)) return false;
  v = suivant;
  return true;
}

}  // namespace

void Tgraphe::SetBornes(double xmin, double ymin, double xmax, double ymax) {
  mondeX.SetBornes(xmin, xmax);
  mondeY.SetBornes(ymin, ymax);
}

bool Tgraphe::PixelXY(double x, double y, int& px, int& py) const noexcept {
  return mondeX.PixelDe(x, px) && mondeY.PixelDe(y, py);
}

void Tgraphe::EcranXY(double x, double y, int& px, int& py) const {
  if (!PixelXY(x, y, px, py)) {
    px = -1;
    py = -1;
  }
}

void Tgraphe::ChoisitTailles() {
  const int h = cadre.Hauteur();
  demiMarque = std::max(1, h / HauteurParDemiMarque);
  const int n = h / LignesParHauteur;
  hauteurLigne = n <= DernierPetit ? PetitTexte : n <= DernierMoyen ? MoyenTexte : GrandTexte;
  marge = hauteurLigne / 3;
  largeurCar = 2 * hauteurLigne / 3;
}

void Tgraphe::Dessine() {
  if (canvas == nullptr) return;
  DessineFond();
  DessineDonnees(cadre);
}

void Tgraphe::Dispose() {
  ChoisitTailles();
  MiseEnPage();
}

void Tgraphe::DessineFond() {
  ChoisitTailles();
  canvas->SetFont(NomPoliceMesurial, hauteurLigne);
  canvas->SetPen(StylePlume::Pointille, Gris);
  canvas->SetBrush(Blanc);
  canvas->FillRect(cadre);
  MiseEnPage();
  canvas->SetPen(StylePlume::Plein, Gris);
  canvas->SetTextColor(Gris);
  AxeHorizontal();
  AxeVertical();
}

void Tgraphe::DessineDonnees(const Rect& zone) {
  canvas->SetPen(StylePlume::Plein, Bleu);
  if (modeTrace == mtCourbe) DessineCourbe();
  if (modeTrace == mtPoints) DessinePoints(zone);
  canvas->Flush();
}

void Tgraphe::MiseEnPage() {
  mondeX.AssainitBornes();
  mondeY.AssainitBornes();
  const int w = cadre.Largeur();
  const int h = cadre.Hauteur();
  mondeY.gradue = h > (25 * hauteurLigne) / 4;
  mondeX.gradue = w > 20 * largeurCar;
  mondeY.dense = h > (50 * hauteurLigne) / 4;
  mondeX.dense = w > 40 * largeurCar;

  zoneTrace = {cadre.left + marge, cadre.top + marge, cadre.right - marge, cadre.bottom - marge};
  if (mondeY.gradue) {
    zoneTrace.left += 4 * largeurCar;
    zoneTrace.top += hauteurLigne;
  }
  if (mondeX.gradue) zoneTrace.bottom -= hauteurLigne;

  mondeX.Cale(zoneTrace.left, zoneTrace.right);
  mondeX.Graduation();
  mondeY.Cale(zoneTrace.bottom, zoneTrace.top);
  mondeY.Graduation();
}

void Tgraphe::Etiquette(int x, int y, double v) {
  TexteEtiquette tampon;
  canvas->TextOut(x, y, FormateEtiquette(v, tampon));
}

void Tgraphe::AxeHorizontal() {
  const Rect& z = zoneTrace;
  int px0 = 0;
  const bool zeroVisible = mondeX.PixelDe(0, px0) && z.left < px0 && px0 < z.right;
  if (!mondeX.gradue) {
    if (zeroVisible) canvas->Line(px0, z.bottom, px0, z.top);
    return;
  }
  if (zeroVisible) {
    canvas->SetPen(StylePlume::Pointille, Gris);
    canvas->Line(px0, z.bottom, px0, z.top);
    canvas->SetPen(StylePlume::Plein, Gris);
  }
  TexteTitre tampon;
  const std::string_view titre = Titre(mondeX, tampon);
  const int xTitre = cadre.right - canvas->TextExtent(titre).width();
  canvas->TextOut(xTitre, z.bottom + marge, titre);
  const int xLim = std::min(xTitre, cadre.right - 2 * largeurCar);

  canvas->Line(cadre.left, z.bottom, z.right, z.bottom);
  canvas->Line(z.right - 3 * marge, z.bottom + marge, z.right, z.bottom);
  canvas->Line(z.right - 3 * marge, z.bottom - marge, z.right, z.bottom);

  canvas->SetPen(StylePlume::Pointille, Gris);
  const double seuilZero = mondeX.Etendue() / FractionZeroHorizontal;
  float v = static_cast<float>(mondeX.premiereGrad);
  for (int n = 0; n < MaxGraduations; ++n) {
    int px = 0;
    int py = 0;
    if (PixelXY(v, mondeY.mini, px, py) && z.left < px && px < z.right) {
      canvas->Line(px, z.top, px, z.bottom);
      if (z.left + marge < px && px < xLim) {
        if (std::abs(v) < seuilZero) v = 0;
        Etiquette(px, z.bottom + marge, v);
      }
    }
    if (!Suivante(v, mondeX.pas) || !(v < mondeX.maxi)) break;
  }
  canvas->SetPen(StylePlume::Plein, Gris);
}

void Tgraphe::AxeVertical() {
  const Rect& z = zoneTrace;
  int py0 = 0;
  const bool zeroVisible = mondeY.PixelDe(0, py0) && z.top < py0 && py0 < z.bottom;
  if (!mondeY.gradue) {
    if (zeroVisible) canvas->Line(z.left, py0, z.right, py0);
    return;
  }
  if (zeroVisible) {
    canvas->SetPen(StylePlume::Pointille, Gris);
    canvas->Line(z.left, py0, z.right, py0);
    canvas->SetPen(StylePlume::Plein, Gris);
  }
  canvas->Line(z.left, z.bottom, z.left, z.top);
  canvas->Line(z.left - marge, z.top + 2 * marge, z.left, z.top - marge);
  canvas->Line(z.left + marge, z.top + 2 * marge, z.left, z.top - marge);
  TexteTitre tampon;
  canvas->TextOut(cadre.left + marge, cadre.top, Titre(mondeY, tampon));

  canvas->SetPen(StylePlume::Pointille, Gris);
  const double seuilZero = mondeY.Etendue() / FractionZeroVertical;
  float v = static_cast<float>(mondeY.premiereGrad);
  for (int n = 0; n < MaxGraduations; ++n) {
    int px = 0;
    int py = 0;
    if (PixelXY(mondeX.mini, v, px, py) && z.top < py && py < z.bottom) {
      canvas->Line(z.left, py, z.right, py);
      if (z.top + marge < py && py < z.bottom - marge) {
        if (std::abs(v) < seuilZero) v = 0;
        Etiquette(cadre.left + marge, py - hauteurLigne / 2, v);
      }
    }
    if (!Suivante(v, mondeY.pas) || !(v < mondeY.maxi)) break;
  }
  canvas->SetPen(StylePlume::Plein, Gris);
}

void Tgraphe::DessineCourbe() {
  if (dernier < premier || premier >= NbSlots) return;
  const int fin = std::min<int>(dernier, NbSlots - 1);
  bool leve = true;
  for (int w = premier; w <= fin; ++w) {
    int px = 0;
    int py = 0;
    if (!PixelXY(w, spectre[w], px, py)) {
      leve = true;
      continue;
    }
    if (leve)
      canvas->MoveTo(px, py);
    else
      canvas->LineTo(px, py);
    leve = false;
  }
}

void Tgraphe::Marque(int px, int py) {
  canvas->Rectangle(px - demiMarque, py - demiMarque, px + demiMarque, py + demiMarque);
}

void Tgraphe::DessinePoints(const Rect& zone) {
  for (int i = 0; i < NbSlots; ++i) {
    int px = 0;
    int py = 0;
    // A point that cannot be mapped is left out rather than drawn at (-1, -1).
    if (pointX[i] == 0 || !PixelXY(pointX[i], pointY[i], px, py)) continue;
    if (px + demiMarque <= zone.left || px - demiMarque >= zone.right || py + demiMarque <= zone.top ||
        py - demiMarque >= zone.bottom)
      continue;
    Marque(px, py);
  }
}

bool Tgraphe::RectMarque(int i, Rect& zone) const {
  int px = 0;
  int py = 0;
  if (!SlotValide(i) || !PixelXY(pointX[i], pointY[i], px, py)) return false;
  if (!(cadre.left < px && px < cadre.right && cadre.top < py && py < cadre.bottom)) return false;
  zone = {px - demiMarque, py - demiMarque, px + demiMarque, py + demiMarque};
  return true;
}

void Tgraphe::DessinePoint(int i) {
  Rect zone;
  if (canvas == nullptr || !RectMarque(i, zone)) return;
  canvas->SetPen(StylePlume::Plein, Bleu);
  canvas->Rectangle(zone.left, zone.top, zone.right, zone.bottom);
  canvas->Flush();
}

bool Tgraphe::PlacePoint(int slot, double x, double y) {
  if (!SlotValide(slot)) return false;
  pointX[static_cast<size_t>(slot)] = x;
  pointY[static_cast<size_t>(slot)] = y;
  return true;
}

bool Tgraphe::PlaceSpectre(int longueurOnde, double absorbance) {
  if (!SlotValide(longueurOnde)) return false;
  spectre[static_cast<size_t>(longueurOnde)] = absorbance;
  return true;
}
