#include <benchmark/benchmark.h>

#include <vector>

#include "package/crc32.h"
#include "package/intel_hex.h"
#include "tools/payload/payload_generator.h"

namespace solvane {
namespace {

void BM_Crc32ApplicationImage(benchmark::State& state) {
  const std::vector<uint8_t> image = GenerateImage(169);
  for (auto _ : state) {
    benchmark::DoNotOptimize(Crc32Of(image.data(), image.size()));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(image.size()));
}
BENCHMARK(BM_Crc32ApplicationImage);

void BM_LoadIntelHexSensorBoard(benchmark::State& state) {
  const std::vector<uint8_t> text = GenerateImage(174);
  std::vector<uint8_t> image(0x80000, 0xFF);
  for (auto _ : state) {
    benchmark::DoNotOptimize(LoadIntelHex(reinterpret_cast<const char*>(text.data()),
                                          static_cast<uint32_t>(text.size()), image.data(),
                                          static_cast<uint32_t>(image.size()), 0x80000000));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_LoadIntelHexSensorBoard);

}  // namespace
}  // namespace solvane
