// zelor-sim: the instrument on a pseudo-terminal, for end-to-end tests,
// benchmarks and running the program without the real instrument.
#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <atomic>
#include <csignal>
#include <cstdio>

#include "tools/zelor-sim/CarteComPorts.h"
#include "tools/zelor-sim/Simulateur.h"

namespace {

std::atomic<TSimulateur*> gSimulateur = nullptr;

// Points the signal handler at the simulator for as long as it lives.
struct TCibleSignaux {
  explicit TCibleSignaux(TSimulateur* sim) { gSimulateur = sim; }
  ~TCibleSignaux() { gSimulateur = nullptr; }
};

void SurSignal(int numero) {
  TSimulateur* sim = gSimulateur.load();
  if (!sim) _exit(128 + numero);  // nothing registered yet, nothing to undo
  if (numero == SIGUSR1)
    sim->BasculeCuvette();
  else if (numero == SIGUSR2)
    sim->DemandeStatistiques();
  else
    sim->Stop();
}

void InstalleSignaux() {
  struct sigaction action {};
  action.sa_handler = SurSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int numero : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2}) sigaction(numero, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

bool EcritFichierPeripherique(const QString& fichier, const QString& peripherique, QString* erreur) {
  QSaveFile f(fichier);
  if (f.open(QIODevice::WriteOnly) && f.write(peripherique.toLocal8Bit() + '\n') >= 0 && f.commit())
    return true;
  *erreur = QStringLiteral("Écriture impossible de %1").arg(fichier);
  return false;
}

int Echec(const QString& message) {
  std::fprintf(stderr, "zelor-sim : %s\n", message.toLocal8Bit().constData());
  return 1;
}

int Sert(const TSimOptions& options) {
  TSimulateur sim(options);
  // From here a signal stops the run and the clean-up below still happens.
  const TCibleSignaux cible(&sim);
  QString erreur;
  if (!sim.Prepare(&erreur)) return Echec(erreur);
  TCarteComPorts carte;
  if (options.com > 0 && !carte.Inscrit(options.com, sim.CheminEsclave(), &erreur)) return Echec(erreur);
  if (!options.fichierPeripherique.isEmpty() &&
      !EcritFichierPeripherique(options.fichierPeripherique, sim.CheminEsclave(), &erreur))
    return Echec(erreur);
  std::printf("%s\n", sim.CheminEsclave().toLocal8Bit().constData());
  std::fflush(stdout);

  sim.Run();

  // The device is gone with us: no file may keep pointing at it.
  if (!options.fichierPeripherique.isEmpty()) QFile::remove(options.fichierPeripherique);
  if (!carte.Desinscrit(&erreur)) return Echec(erreur);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  InstalleSignaux();
  QCoreApplication application(argc, argv);
  QString erreur;
  const std::optional<TSimOptions> options = LitOptions(application.arguments().mid(1), &erreur);
  if (!options) {
    Echec(erreur);
    return 2;
  }
  if (options->aide) {
    std::printf("%s", AideOptions().toLocal8Bit().constData());
    return 0;
  }
  return Sert(*options);
}
