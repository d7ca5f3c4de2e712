// Cost of recording a byte in the trace and an entry in the dispatch log,
// against a bare copy into a preallocated buffer of the same size: recording
// runs under the dispatcher's main lock on every device read and write, so it
// must stay a copy, with no allocation. Ratios use CPU time, steadier than
// wall time on a shared machine.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "serial/TraceLog.h"

namespace {

constexpr uint32_t RingEntries = 32000;
constexpr uint32_t RingBytes = 32000;
constexpr int BytesPerRound = 4096;
constexpr uint32_t ExtraBytes = 64;

void BM_TraceBaseline(benchmark::State& state) {
  std::vector<char> ring(RingEntries * 2);
  uint32_t position = 0;
  for (auto _ : state) {
    for (int i = 0; i < BytesPerRound; ++i) {
      ring[position * 2] = 'R';
      ring[position * 2 + 1] = static_cast<char>(i);
      if (++position == RingEntries) position = 0;
    }
    benchmark::DoNotOptimize(ring.data());
  }
}

void BM_TraceAdd(benchmark::State& state) {
  TTraceRecorder trace;
  trace.Start(RingEntries);
  for (auto _ : state) {
    for (int i = 0; i < BytesPerRound; ++i) trace.Add('R', static_cast<uint8_t>(i));
    benchmark::ClobberMemory();
  }
}

void BM_LogBaseline(benchmark::State& state) {
  std::vector<char> ring(RingBytes);
  std::vector<uint8_t> extra(ExtraBytes, 'x');
  uint32_t position = 0;
  const uint32_t entry = TDispatchLog::HeaderBytes + ExtraBytes;
  for (auto _ : state) {
    const uint32_t now = TraceLogClockMs();
    if (position + entry > RingBytes) position = 0;
    std::memcpy(ring.data() + position, &now, sizeof now);
    std::memcpy(ring.data() + position + TDispatchLog::HeaderBytes, extra.data(), ExtraBytes);
    position += entry;
    benchmark::DoNotOptimize(ring.data());
  }
}

// The ring is full after a few hundred entries, so almost every add also
// drops the oldest entry.
void BM_LogAdd(benchmark::State& state) {
  TDispatchLog log;
  log.Start(RingBytes);
  std::vector<uint8_t> extra(ExtraBytes, 'x');
  for (auto _ : state) {
    log.Add(TLogType::Dispatch, TLogSubType::ReadCom, ExtraBytes, extra.data(), ExtraBytes);
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_TraceBaseline);
BENCHMARK(BM_TraceAdd);
BENCHMARK(BM_LogBaseline);
BENCHMARK(BM_LogAdd);

class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatio(const char* name, const char* measured, const char* baseline, double goal) {
    if (!times_.count(measured) || !times_.count(baseline) || times_[baseline] <= 0) return;
    std::printf("ratio %s %.2f goal <=%.0f\n", name, times_[measured] / times_[baseline], goal);
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("trace_add_vs_copy", "BM_TraceAdd", "BM_TraceBaseline", 4);
  reporter.PrintRatio("log_add_vs_copy", "BM_LogAdd", "BM_LogBaseline", 4);
  benchmark::Shutdown();
  return 0;
}
