// Runs the program's point-by-point exchange ("?GTO" then "?RPTA") against an
// in-process simulator over its pseudo-terminal, once on a paced 9600-baud
// line and once with --fast, and reports:
//   ratio sim_line_fidelity   paced time / pure line time of the bytes sent
//   ratio sim_fast_overhead   fast time / paced time
// The pure line time comes from the simulator's own byte count in the same run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "tools/zelor-sim/Simulateur.h"

namespace {

constexpr int kPoints = 60;
constexpr int kDelaiMs = 10000;
constexpr double kBitsParCaractere = 10;
constexpr int kBaud = 9600;

bool LitJusqua(int fd, char terminateur) {
  char c = 0;
  while (c != terminateur) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, kDelaiMs) <= 0 || read(fd, &c, 1) != 1) return false;
  }
  return true;
}

struct TMesure {
  double secondes = 0;
  std::uint64_t octetsEnvoyes = 0;
};

// One scan of kPoints wavelengths, as the measurement dialogs drive it.
TMesure Balayage(bool rapide) {
  TSimOptions o;
  o.rapide = rapide;
  o.msParNm = 0;
  o.graine = 1;
  o.journal = "/dev/null";
  TSimulateur sim(o);
  QString erreur;
  if (!sim.Prepare(&erreur)) return {};
  sim.Start();
  const int fd = open(sim.CheminEsclave().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  tcsetattr(fd, TCSANOW, &t);
  const auto debut = std::chrono::steady_clock::now();
  for (int i = 0; i < kPoints; ++i) {
    const std::string gto = "?GTO" + std::to_string(400 + i) + ".0\r";
    if (write(fd, gto.data(), gto.size()) < 0 || !LitJusqua(fd, 6)) break;
    if (write(fd, "?RPTA\r", 6) < 0 || !LitJusqua(fd, 3)) break;
  }
  const double secondes = std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
  close(fd);
  sim.Stop();
  sim.Attend();
  return {secondes, sim.Statistiques().octetsEnvoyes};
}

void BM_BalayageRythme(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Balayage(false));
}
void BM_BalayageRapide(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Balayage(true));
}
BENCHMARK(BM_BalayageRythme)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BalayageRapide)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  const TMesure rythme = Balayage(false);
  const TMesure rapide = Balayage(true);
  const double tempsLigne = rythme.octetsEnvoyes * kBitsParCaractere / kBaud;
  std::printf("ratio sim_line_fidelity %.3f goal <=1.25\n", rythme.secondes / tempsLigne);
  std::printf("ratio sim_fast_overhead %.3f goal <=0.25\n", rapide.secondes / rythme.secondes);
  return 0;
}
