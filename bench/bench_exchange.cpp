// A synchronous exchange with a silent instrument waits its whole text limit
// (4.95 s) while the event loop keeps running. It must cost about what the
// same wait costs asleep with the port open:
//   ratio exchange_cpu_per_core  CPU seconds of the process / wall seconds of the wait
//   ratio exchange_vs_sleep_cpu  that CPU fraction minus the asleep one (the exchange's own cost)
// Both are fractions of one core.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "instrument/Cfgspect.h"
#include "instrument/Protocole.h"
#include "serial/ComPort.h"

namespace {

constexpr uint16_t PortBanc = 42;

double CpuSecondes() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct TFraction {
  double cpu = 0;
  double mur = 0;
  double Part() const { return mur > 0 ? cpu / mur : 0; }
};

template <class F>
TFraction Mesure(F attente) {
  const double cpu0 = CpuSecondes();
  const auto t0 = std::chrono::steady_clock::now();
  attente();
  return {CpuSecondes() - cpu0, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count()};
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  QTemporaryDir dossier;
  // The far end: a pseudo-terminal nobody answers on.
  const int maitre = posix_openpt(O_RDWR | O_NOCTTY);
  if (maitre < 0 || grantpt(maitre) != 0 || unlockpt(maitre) != 0) return 1;
  setenv("ZELOR_COMPORTS_FILE", dossier.filePath("comports").toLocal8Bit().constData(), 1);
  setenv("ZELOR_COMPORTS", ("COM" + std::to_string(PortBanc) + "=" + ptsname(maitre)).c_str(), 1);

  Tspectro spectro;
  spectro.Com = PortBanc;
  TComPort voie;
  TProtocole protocole(voie, spectro);
  protocole.ConfigureVoie();
  voie.SetOpen(true);

  const auto limite = TProtocole::DureeTick * TProtocole::TicksParUnite * spectro.TimeOutTxt;
  const TFraction dormi = Mesure([&] { std::this_thread::sleep_for(limite); });
  const TFraction echange = Mesure([&] { protocole.LitTexte(spectro.Status); });
  voie.SetOpen(false);
  close(maitre);

  std::printf("exchange: %.3f s wall, %.4f s CPU; asleep: %.3f s wall, %.4f s CPU\n", echange.mur,
              echange.cpu, dormi.mur, dormi.cpu);
  std::printf("ratio exchange_cpu_per_core %.4f goal <=0.02\n", echange.Part());
  std::printf("ratio exchange_vs_sleep_cpu %.4f goal <=0.02\n", echange.Part() - dormi.Part());
  return protocole.LiaisonOk ? 1 : 0;
}
