// Full repaint of the plot (curve mode, 1025 points, 1280x800, background
// from the cache) against a bare QPainter polyline of the same points on the
// same image; and, during a scan (points mode), the repaint of one new
// point's marker against a full repaint of the same state.
#include "graph/GrapheEnCache.h"
#include "graph/Graphe.h"
#include "graph/QPainterCanvas.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int Largeur = 1280;
constexpr int Hauteur = 800;
constexpr double RatioVise = 1.5;
constexpr double RatioPointVise = 0.05;
// Points already measured when the scan's next point comes in.
constexpr int PointsDuBalayage = 512;

std::unique_ptr<Tgraphe> GrapheDeMesure() {
  auto graphe = std::make_unique<Tgraphe>();
  graphe->mondeX.nom = "\x88";
  graphe->mondeX.unite = "nm";
  graphe->mondeY.nom = "A";
  graphe->SetBornes(0, 0, 1024, 2);
  graphe->premier = 0;
  graphe->dernier = NbSlots - 1;
  for (int w = 0; w < NbSlots; ++w) graphe->spectre[w] = 1 + 0.8 * std::sin(w / 40.0);
  graphe->modeTrace = mtCourbe;
  graphe->cadre = {0, 0, Largeur, Hauteur};
  return graphe;
}

// Full repaints of the frame through the window's way of painting.
void RepaintsEnCache(benchmark::State& state, Tgraphe& graphe) {
  QImage image(Largeur, Hauteur, QImage::Format_RGB32);
  TGrapheEnCache cache;
  for (auto _ : state) {
    QPainter peintre(&image);
    cache.Peint(graphe, peintre);
  }
  benchmark::DoNotOptimize(image.constBits());
}

void DessineTout(QImage& image, Tgraphe& graphe) {
  QPainter peintre(&image);
  QPainterCanvas canvas(peintre);
  graphe.canvas = &canvas;
  graphe.Dessine();
  graphe.canvas = nullptr;
}

void BM_Repaint(benchmark::State& state) {
  RepaintsEnCache(state, *GrapheDeMesure());
}

// The way every paint went before the cache: the background drawn each time.
void BM_RepaintSansCache(benchmark::State& state) {
  QImage image(Largeur, Hauteur, QImage::Format_RGB32);
  auto graphe = GrapheDeMesure();
  for (auto _ : state) DessineTout(image, *graphe);
  benchmark::DoNotOptimize(image.constBits());
}

void BM_Polyline(benchmark::State& state) {
  QImage image(Largeur, Hauteur, QImage::Format_RGB32);
  auto graphe = GrapheDeMesure();
  DessineTout(image, *graphe);  // the same pixels as the repaint's curve
  std::vector<QPoint> points;
  for (int w = 0; w < NbSlots; ++w) {
    int px = 0;
    int py = 0;
    graphe->EcranXY(w, graphe->spectre[w], px, py);
    points.emplace_back(px, py);
  }
  for (auto _ : state) {
    QPainter peintre(&image);
    peintre.setPen(QColor(0, 0, 255));
    peintre.drawPolyline(points.data(), static_cast<int>(points.size()));
  }
  benchmark::DoNotOptimize(image.constBits());
}

// The least any repaint of every pixel costs: the frame filled with white.
void BM_Remplissage(benchmark::State& state) {
  QImage image(Largeur, Hauteur, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter peintre(&image);
    peintre.fillRect(0, 0, Largeur, Hauteur, Qt::white);
  }
  benchmark::DoNotOptimize(image.constBits());
}

std::unique_ptr<Tgraphe> GrapheDeBalayage() {
  auto graphe = GrapheDeMesure();
  graphe->modeTrace = mtPoints;
  for (int i = 0; i < PointsDuBalayage; ++i) graphe->PlacePoint(i, 2.0 * i + 1, graphe->spectre[2 * i + 1]);
  return graphe;
}

void BM_RepaintBalayage(benchmark::State& state) {
  RepaintsEnCache(state, *GrapheDeBalayage());
}

// One more point arrives: the window asks for its marker's rectangle alone.
void BM_NouveauPoint(benchmark::State& state) {
  QImage image(Largeur, Hauteur, QImage::Format_RGB32);
  auto graphe = GrapheDeBalayage();
  TGrapheEnCache cache;
  {
    QPainter peintre(&image);
    cache.Peint(*graphe, peintre);
  }
  int slot = PointsDuBalayage;
  for (auto _ : state) {
    graphe->PlacePoint(slot, 2.0 * (slot - PointsDuBalayage) + 2, 1.5);
    Rect zone;
    graphe->RectMarque(slot, zone);
    QPainter peintre(&image);
    cache.Peint(*graphe, peintre, zone);
    if (++slot == NbSlots) slot = PointsDuBalayage;
  }
  benchmark::DoNotOptimize(image.constBits());
}

// Medians of several interleaved repetitions, on wall-clock time: QPainter
// spreads large fills over worker threads, which a thread's CPU time misses,
// and the machine is shared, so single runs are noisy.
constexpr int Repetitions = 9;
BENCHMARK(BM_Polyline)->Repetitions(Repetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_Repaint)->Repetitions(Repetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_RepaintSansCache)->Repetitions(Repetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_Remplissage)->Repetitions(Repetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_RepaintBalayage)->Repetitions(Repetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_NouveauPoint)->Repetitions(Repetitions)->ReportAggregatesOnly(true);

// Keeps the time per iteration of each benchmark for the closing ratio.
class Rapporteur : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs)
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
        temps[run.run_name.function_name] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> temps;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  // Interleaving spreads the machine's load evenly over both measurements.
  std::vector<char*> arguments(argv, argv + argc);
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  arguments.insert(arguments.begin() + 1, interleave);
  int n = static_cast<int>(arguments.size());
  benchmark::Initialize(&n, arguments.data());
  Rapporteur rapporteur;
  benchmark::RunSpecifiedBenchmarks(&rapporteur);
  benchmark::Shutdown();
  const double polyline = rapporteur.temps["BM_Polyline"];
  const double repaint = rapporteur.temps["BM_Repaint"];
  const double sansCache = rapporteur.temps["BM_RepaintSansCache"];
  const double balayage = rapporteur.temps["BM_RepaintBalayage"];
  const double point = rapporteur.temps["BM_NouveauPoint"];
  const double remplissage = rapporteur.temps["BM_Remplissage"];
  if (polyline <= 0 || repaint <= 0 || sansCache <= 0 || balayage <= 0 || point <= 0 || remplissage <= 0)
    return 1;
  std::printf("full repaint without the cached background: %.2f times the polyline\n", sansCache / polyline);
  // What no full repaint can go under on this machine: every pixel written
  // once, then the curve.
  std::printf("white fill of the frame: %.2f times the polyline; fill and polyline together %.2f\n",
              remplissage / polyline, (remplissage + polyline) / polyline);
  std::printf("ratio graph_repaint_vs_polyline %.2f goal <=%.2f\n", repaint / polyline, RatioVise);
  std::printf("ratio graph_new_point_vs_repaint %.3f goal <=%.2f\n", point / balayage, RatioPointVise);
  return 0;
}
