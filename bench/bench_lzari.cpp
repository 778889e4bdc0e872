#include <benchmark/benchmark.h>

#include <vector>

#include "package/arithmetic_compression.h"
#include "tools/lzari/lzari_encoder.h"
#include "tools/payload/payload_generator.h"

namespace solvane {
namespace {

// The largest image, the application code, as the program decodes it.
void BM_LzariDecodeApplicationImage(benchmark::State& state) {
  const std::vector<uint8_t> image = GenerateImage(169);
  const std::vector<uint8_t> stream = LzariEncode(image);
  const auto length = static_cast<uint32_t>(image.size());
  std::vector<uint8_t> out(length + 1024);
  CArithmeticCompression decoder;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        decoder.Decode(stream.data(), static_cast<uint32_t>(stream.size()), out.data(), length));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * length);
  state.counters["ratio"] = static_cast<double>(stream.size()) / length;
}
BENCHMARK(BM_LzariDecodeApplicationImage)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace solvane
