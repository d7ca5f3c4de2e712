#include "app/PiloteFenetre.h"

#include <QLabel>

#include "app/Specmain.h"
#include "app/TexteAffiche.h"
#include "graph/Graphker.h"

void TPiloteFenetre::FixePanelLambda(const std::string& texte) {
  fenetre_.PanelLambda->setText(TexteAffiche(texte));
}

void TPiloteFenetre::FixePanelAbs(const std::string& texte) {
  fenetre_.PanelAbs->setText(TexteAffiche(texte));
}

void TPiloteFenetre::DessinePoint(int slot) {
  Rect zone;
  if (fenetre_.Graphe->RectMarque(slot, zone)) {
    fenetre_.PaintBox->update(zone.left, zone.top, zone.Largeur(), zone.Hauteur());
  } else {
    fenetre_.PaintBox->update();
  }
}

TModeTrace TPiloteFenetre::LitModeTrace() const {
  return static_cast<TModeTrace>(fenetre_.Graphe->modeTrace);
}

void TPiloteFenetre::FixeModeTrace(TModeTrace mode) {
  fenetre_.Graphe->modeTrace = static_cast<ModeTrace>(mode);
  fenetre_.PaintBox->update();
}

void TPiloteFenetre::FixeBlancFait(bool fait) {
  fenetre_.BlancFait = fait;
}
