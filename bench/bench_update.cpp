#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "package/embedded_image.h"
#include "tests/support/engine_harness.h"
#include "update/sent_images.h"

namespace solvane::engine_test {
namespace {

constexpr const char* kSuccessBox =
    "Successfully updated the Solvane/Solvane II.\n           Click OK to Exit.";

// A whole update of an all-old writer, every component sent, from "&Go!" to the
// success message and the end of the run, against the simulated writer in the
// same process with instant timing. The waits (restarts, pauses, closes) run
// on the virtual clock, so the times measured are the program's own work with
// the simulator's; the counter "waits_s" is what the waits take on a writer.
// "peak_MB" is the peak resident memory of the whole process so far: run this
// benchmark alone (--benchmark_filter=BM_FullUpdate) for the update's figure.
void BM_FullUpdateInProcess(benchmark::State& state) {
  double waitsSeconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto engine = std::make_unique<Engine>();
    engine->Start();
    state.ResumeTiming();

    engine->PressGo();

    state.PauseTiming();
    if (engine->window.boxes.size() != 1 || engine->window.boxes[0].text != kSuccessBox) {
      state.SkipWithError("the update did not succeed");
      break;
    }
    waitsSeconds = static_cast<double>(engine->clock.NowMs()) / 1000;
    engine.reset();
    state.ResumeTiming();
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["waits_s"] = waitsSeconds;
  state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024;
}
BENCHMARK(BM_FullUpdateInProcess)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// What the check of the images before a run adds to it (the whole update above
// includes it): every image the Solvane/Solvane II may be sent, decoded,
// checked against the build's record and freed, one after another.
void BM_ImageCheckBeforeARun(benchmark::State& state) {
  const LinkedResourceSource resources;
  const std::vector<SentImage> sent = SentImages(CatalogueRow(19));
  for (auto _ : state) {
    for (const SentImage& image : sent) {
      EmbeddedImage decoded;
      if (LoadEmbeddedImage(resources, image.id, image.slack, decoded) != ImageLoadStatus::kOk) {
        state.SkipWithError("an image does not match the build's record");
        return;
      }
    }
  }
  state.counters["images"] = static_cast<double>(sent.size());
}
BENCHMARK(BM_ImageCheckBeforeARun)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace solvane::engine_test
