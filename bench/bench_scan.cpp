// Scans 200..800 nm through the main window's port and protocol against the
// simulator at real 9600-baud line timing and no motor time, and compares
// the scan's duration with the pure line time of the bytes it moved (from
// the simulator's own counts, 10 bits a character):
//   ratio scan_vs_line_time        scan time / line time of bytes sent and received
//   ratio scan_vs_reply_line_time  scan time / line time of the replies alone
// (the simulator paces only what it sends, so the second is the stricter).
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <string>

#include "app/PiloteFenetre.h"
#include "app/Specmain.h"
#include "graph/Graphker.h"
#include "instrument/Cfgspect.h"
#include "measure/Balayage.h"
#include "measure/Reglages.h"
#include "tools/zelor-sim/Simulateur.h"

namespace {

constexpr uint16_t PortBanc = 43;
constexpr int Debut = 200;
constexpr int Fin = 800;
constexpr int Baud = 9600;
constexpr double BitsParCaractere = 10;
constexpr int DelaiMaxMs = 600000;

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QTemporaryDir dossier;

  TSimOptions o;
  o.msParNm = 0;
  o.baud = Baud;
  o.graine = 1;
  o.lambdaDepart = Debut;
  o.cuvette = TCuvette::Echantillon;
  o.journal = "/dev/null";
  TSimulateur simulateur(o);
  QString erreur;
  if (!simulateur.Prepare(&erreur)) {
    std::fprintf(stderr, "%s\n", erreur.toLocal8Bit().constData());
    return 1;
  }
  setenv("ZELOR_COMPORTS_FILE", dossier.filePath("comports").toLocal8Bit().constData(), 1);
  setenv("ZELOR_COMPORTS",
         ("COM" + std::to_string(PortBanc) + "=" + simulateur.CheminEsclave().toStdString()).c_str(), 1);
  simulateur.Start();

  Tspectro spectro;
  spectro.Com = PortBanc;
  spectro.Debut = Debut;
  spectro.Fin = Fin;
  TSpectreMain fenetre(spectro);
  fenetre.VoieSerie.SetTracing(tlOff);
  fenetre.VoieSerie.SetLogging(tlOff);
  fenetre.InitAppareil();
  if (!fenetre.AppareilTrouve) return 1;

  Tgraphe& g = *fenetre.Graphe;
  TBalayage balayage(fenetre.Pilote, {g.pointX, g.pointY, g.spectre, g.premier, g.dernier, g.valeurParam},
                     {spectro.Debut, spectro.Fin, spectro.Blanc});
  balayage.LimitesInstrument(spectro.MiniL, spectro.MaxiL);
  QEventLoop boucle;
  fenetre.VoieSerie.SetOnTriggerData([&](TCustomComPort&, uint16_t handle) {
    balayage.DonneeRecue(handle);
    if (balayage.Etat() == TEtatMesure::Fini) boucle.quit();
  });
  balayage.FormActivate(ReglagesDe(spectro));

  const TStatistiques avant = simulateur.Statistiques();
  QElapsedTimer chrono;
  chrono.start();
  balayage.OKBtnClick();
  QTimer::singleShot(DelaiMaxMs, &boucle, &QEventLoop::quit);
  boucle.exec();
  const double secondes = chrono.nsecsElapsed() / 1e9;
  const TStatistiques apres = simulateur.Statistiques();
  fenetre.VoieSerie.SetOpen(false);
  simulateur.Stop();
  simulateur.Attend();
  if (balayage.Etat() != TEtatMesure::Fini) return 1;

  const double recus = static_cast<double>(apres.octetsRecus - avant.octetsRecus);
  const double envoyes = static_cast<double>(apres.octetsEnvoyes - avant.octetsEnvoyes);
  const double ligne = (recus + envoyes) * BitsParCaractere / Baud;
  const double reponses = envoyes * BitsParCaractere / Baud;
  std::printf("scan %d..%d nm: %d points, %.3f s; %0.f bytes sent, %0.f received by the instrument\n", Debut,
              Fin, balayage.NbPoints(), secondes, envoyes, recus);
  std::printf("ratio scan_vs_line_time %.3f goal <=1.10\n", secondes / ligne);
  std::printf("ratio scan_vs_reply_line_time %.3f goal <=1.25\n", secondes / reponses);
  return 0;
}
