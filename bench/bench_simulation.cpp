#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>

#include "tests/simulation/seeded_run.h"

namespace solvane::simulation {
namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Seeds of the simulation one after another on one core: each a first run with
// its faults and up to two tail runs (the fault-free runs they are compared
// with are kept per starting writer after the first seeds). "runs_per_hour"
// counts the update runs with faults and the tail's, by the clock on the wall
// and by this process's processor time; seeds are independent, so two cores
// run two such processes and reach twice the processor-time figure.
void BM_SimulatedSeeds(benchmark::State& state) {
  uint64_t seed = 1;
  double runs = 0;
  auto start = std::chrono::steady_clock::now();
  double cpuStart = CpuSeconds();
  for (auto _ : state) {
    SeedResult result = RunSeed(seed++);
    runs += 1 + result.tailRuns;
    benchmark::DoNotOptimize(result);
  }
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  double cpu = CpuSeconds() - cpuStart;
  state.counters["seeds"] = static_cast<double>(state.iterations());
  state.counters["runs_per_hour"] = runs * 3600 / wall;
  state.counters["runs_per_cpu_hour"] = runs * 3600 / cpu;
}
BENCHMARK(BM_SimulatedSeeds)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(20);

}  // namespace
}  // namespace solvane::simulation
