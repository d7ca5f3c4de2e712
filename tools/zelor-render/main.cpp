// zelor-render: draws a spectrum text file with the graph kernel into a PNG,
// for documentation pictures and visual checks.
//   zelor-render [--width W] [--height H] [--points] [--amax A] --output out.png spectre.txt
#include "app/Labutil.h"
#include "graph/CanvasPrete.h"
#include "graph/Graphe.h"
#include "graph/QPainterCanvas.h"
#include "graph/TexteMesurial.h"
#include "tools/zelor-render/LectureSpectre.h"
#include "tools/zelor-render/RemplitGraphe.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <fstream>
#include <iostream>
#include <memory>

namespace {

constexpr int LargeurParDefaut = 800;
constexpr int HauteurParDefaut = 500;
constexpr int TailleMax = 10000;

int Echec(const std::string& message) {
  std::cerr << "zelor-render : " << message << '\n';
  return 1;
}

bool LitTaille(const QString& texte, int& taille) {
  bool ok = false;
  taille = texte.toInt(&ok);
  return ok && taille > 0 && taille <= TailleMax;
}

}  // namespace

int main(int argc, char** argv) {
  // Rendering needs no display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QCommandLineParser options;
  options.setApplicationDescription("Trace un spectre (longueur d'onde, absorbance) dans une image PNG.");
  options.addHelpOption();
  const QCommandLineOption largeur("width", "Largeur de l'image en pixels.", "pixels",
                                   QString::number(LargeurParDefaut));
  const QCommandLineOption hauteur("height", "Hauteur de l'image en pixels.", "pixels",
                                   QString::number(HauteurParDefaut));
  const QCommandLineOption sortie("output", "Image PNG à écrire.", "fichier");
  const QCommandLineOption points("points", "Trace une marque par point au lieu de la courbe.");
  const QCommandLineOption plafond("amax", "Haut de l'axe des absorbances (sinon d'après les données).", "A");
  options.addOptions({largeur, hauteur, sortie, points, plafond});
  options.addPositionalArgument("spectre", "Fichier texte à deux colonnes ; « # » commence un commentaire.");
  options.process(app);

  int w = 0;
  int h = 0;
  if (!LitTaille(options.value(largeur), w) || !LitTaille(options.value(hauteur), h))
    return Echec("taille d'image invalide (1 à " + std::to_string(TailleMax) + " pixels)");
  if (!options.isSet(sortie)) return Echec("indiquer l'image à écrire avec --output");
  if (options.positionalArguments().size() != 1) return Echec("indiquer un seul fichier de spectre");
  double amax = ValeurIndefinie;
  if (options.isSet(plafond)) {
    amax = TexteVersReel(options.value(plafond).toStdString());
    if (amax == ValeurIndefinie) return Echec("valeur de --amax illisible");
  }

  const std::string chemin = options.positionalArguments().front().toStdString();
  std::ifstream fichier(chemin);
  if (!fichier) return Echec("impossible d'ouvrir " + chemin);
  std::vector<PointSpectre> lus;
  std::string erreur;
  auto graphe = std::make_unique<Tgraphe>();
  if (!LitSpectre(fichier, lus, erreur) || !RemplitGraphe(lus, options.isSet(points), amax, *graphe, erreur))
    return Echec(chemin + " : " + erreur);
  graphe->mondeX.nom = std::string(1, CodeLambda);
  graphe->mondeX.unite = "nm";
  graphe->mondeY.nom = "A";

  QImage image(w, h, QImage::Format_RGB32);
  {
    QPainter peintre(&image);
    QPainterCanvas canvas(peintre);
    const TCanvasPrete prete(*graphe, canvas);
    graphe->cadre = {0, 0, w, h};
    graphe->Dessine();
  }
  // Written aside and renamed, so a failed run leaves no half-written image.
  QSaveFile png(options.value(sortie));
  if (!png.open(QIODevice::WriteOnly) || !image.save(&png, "PNG") || !png.commit())
    return Echec("impossible d'écrire " + options.value(sortie).toStdString());
  return 0;
}
