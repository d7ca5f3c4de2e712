// The spectrum plot: two axes, their graduations and grid, the measured points
// or the spectrum curve, and the in-memory home of the current spectrum.
// The kernel owns no window: before each paint the owner sets `canvas` and
// `cadre`, then calls Dessine.
#pragma once

#include "graph/Canvas.h"
#include "graph/ChaineCourte.h"
#include "graph/Monde.h"
#include "graph/Rect.h"

#include <array>
#include <cstdint>

enum ModeTrace : std::uint8_t { mtRien = 0, mtCourbe = 1, mtPoints = 2 };

// Point slots and wavelengths 0..1024 nm.
inline constexpr int NbSlots = 1025;
using TableauSpectre = std::array<double, NbSlots>;

class Tgraphe {
 public:
  std::int32_t demiMarque = 1;
  Tmonde mondeX;  // wavelength, nm
  Tmonde mondeY;  // absorbance
  Rect zoneTrace;
  Rect cadre;
  std::int32_t largeurCar = 0;
  std::int32_t hauteurLigne = 0;
  std::int32_t marge = 0;
  // Graduations are always full-length dotted grid lines.
  static constexpr bool grille = true;
  ModeTrace modeTrace = mtRien;
  Canvas* canvas = nullptr;  // not owned
  TableauSpectre pointX{};   // 0 marks an empty slot
  TableauSpectre pointY{};
  TableauSpectre spectre{};  // index = wavelength in nm
  double valeurParam = 0;
  ChaineCourte<255> commentaire;
  std::uint16_t premier = 0;
  std::uint16_t dernier = 0;

  // Bounds of both axes, made usable (see Tmonde::SetBornes); the layout is
  // recomputed by the next Dessine.
  void SetBornes(double xmin, double ymin, double xmax, double ymax);

  // Full repaint on `canvas` inside `cadre`; does nothing without a canvas.
  // The same as Dispose, DessineFond, then DessineDonnees over `cadre`.
  void Dessine();

  // Text sizes, layout and mappings for `cadre` and the bounds, without
  // drawing: what DessineDonnees relies on.
  void Dispose();
  // What depends only on `cadre` and the axes: the white background, the
  // axes, graduations, grid and labels. Needs a canvas.
  void DessineFond();
  // The curve or the points over the background, with the mappings of the
  // last layout; markers that cannot touch `zone` are skipped. Needs a canvas.
  void DessineDonnees(const Rect& zone);

  // Marker of point slot i alone, with the mappings of the last Dessine; only
  // inside `cadre`. A slot outside 0..1024 is ignored.
  void DessinePoint(int i);

  // Pixels of the world pair (x, y); both -1 when either conversion fails.
  void EcranXY(double x, double y, int& px, int& py) const;

  // Layout of zoneTrace from `cadre` and the current text size, the axes'
  // mappings and graduation steps. Part of Dessine.
  void MiseEnPage();

  // Checked writers for the owner: false, and nothing written, for a slot or
  // a wavelength outside 0..1024.
  bool PlacePoint(int slot, double x, double y);
  bool PlaceSpectre(int longueurOnde, double absorbance);

  // Pixels that the marker of slot i covers now (left, top, right, bottom
  // exclusive), so a window can refresh just that spot; false when the slot
  // is refused or lies outside `cadre`.
  bool RectMarque(int i, Rect& zone) const;

  static bool SlotValide(int i) { return i >= 0 && i < NbSlots; }

 private:
  bool PixelXY(double x, double y, int& px, int& py) const noexcept;
  void ChoisitTailles();
  void AxeHorizontal();
  void AxeVertical();
  void DessineCourbe();
  void DessinePoints(const Rect& zone);
  void Marque(int px, int py);
  void Etiquette(int x, int y, double v);
};
