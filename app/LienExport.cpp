#include "app/LienExport.h"

#include <QApplication>
#include <QDateTime>
#include <QWidget>
#include <string_view>

#include "app/Demarrage.h"
#include "app/Specmain.h"
#include "app/TexteAffiche.h"
#include "export/TConstanteDlg.h"
#include "export/TFormDDE.h"
#include "graph/Graphe.h"
#include "instrument/Cfgspect.h"

namespace {

QByteArray Octets(std::string_view texte) {
  return QByteArray(texte.data(), static_cast<qsizetype>(texte.size()));
}

QByteArray Octets(const QString& texte) {
  return OctetsSaisis(texte);
}

}  // namespace

SpectreExport SpectreExportDe(const Tgraphe& graphe, const Tspectro& spectro, const TTextesBalayage& textes) {
  SpectreExport s;
  s.cheminExecutable = CheminExecutableExport();
  s.dateHeure = DateHeureExport(QDateTime::currentDateTime());
  s.commentaire = graphe.commentaire.empty() ? Octets(textes.commentaire).left(kLongueurCommentaireExport)
                                             : Octets(graphe.commentaire.Vue());
  s.nomX = Octets(graphe.mondeX.nom.Vue());
  s.nomY = Octets(graphe.mondeY.nom.Vue());
  s.premier = graphe.premier;
  s.dernier = graphe.dernier;
  s.spectre = graphe.spectre;
  s.nomParam = Octets(textes.nomParam);
  s.uniteParam = Octets(textes.uniteParam);
  s.valeurParam = graphe.valeurParam;
  s.precision = spectro.Precision;
  return s;
}

bool DonneFocusFenetre(QWidget* fenetre) {
  if (fenetre == nullptr) return false;
  if (QApplication::activeWindow() == fenetre && !fenetre->isMinimized()) return true;
  if (!fenetre->isVisible() || !fenetre->isEnabled()) return false;
  const QWidget* modal = QApplication::activeModalWidget();
  if (modal != nullptr && modal != fenetre) return true;
  if (fenetre->isMinimized()) {
    RestaureFenetre(fenetre);
  } else {
    fenetre->raise();
    fenetre->activateWindow();
  }
  return true;
}

LienExport::LienExport(const TSpectreMain& principale, const Tspectro& spectro, TFormDDE& formDDE,
                       TConstanteDlg& constante)
    : principale_(principale), spectro_(spectro), formDDE_(formDDE), constante_(constante) {}

void LienExport::EnvoieDonnees() {
  const TTextesBalayage textes = TextesBalayage ? TextesBalayage() : TTextesBalayage{};
  if (formDDE_.EnvoieDonnees(SpectreExportDe(*principale_.Graphe, spectro_, textes),
                             constante_.NouvellePage())) {
    constante_.ApresExport();
  }
}
