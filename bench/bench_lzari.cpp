#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <vector>

#include "package/arithmetic_compression.h"
#include "tools/lzari/lzari_encoder.h"
#include "tools/lzari/lzari_reference_decoder.h"
#include "tools/payload/payload_generator.h"

namespace solvane {
namespace {

struct Stream {
  std::vector<uint8_t> bytes;
  uint32_t decodedLength = 0;
};

// Encoding takes longer than decoding, so each image is encoded once per run.
const Stream& EncodedImage(uint32_t id) {
  static std::map<uint32_t, Stream> streams;
  Stream& stream = streams[id];
  if (stream.bytes.empty()) {
    const std::vector<uint8_t> image = GenerateImage(id);
    stream.bytes = LzariEncode(image);
    stream.decodedLength = static_cast<uint32_t>(image.size());
  }
  return stream;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Decode and the plain port of the classic decoder take turns on the same
// stream, so that other load on the machine slows both alike. The time shown is
// Decode's; "speedup" is the classic decoder's time over Decode's.
void BM_LzariDecodeAgainstClassic(benchmark::State& state, uint32_t id) {
  const Stream& stream = EncodedImage(id);
  const auto size = static_cast<uint32_t>(stream.bytes.size());
  std::vector<uint8_t> out(stream.decodedLength + 1024);
  CArithmeticCompression decoder;
  const uint32_t count =
      decoder.Decode(stream.bytes.data(), size, out.data(), stream.decodedLength);
  if (LzariReferenceDecode(stream.bytes, stream.decodedLength) !=
      std::vector<uint8_t>(out.begin(), out.begin() + count)) {
    state.SkipWithError("Decode differs from the classic decoder");
    return;
  }
  double decodeSeconds = 0;
  double classicSeconds = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(
        decoder.Decode(stream.bytes.data(), size, out.data(), stream.decodedLength));
    benchmark::ClobberMemory();
    const double seconds = SecondsSince(start);
    decodeSeconds += seconds;
    state.SetIterationTime(seconds);

    start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(LzariReferenceDecode(stream.bytes, stream.decodedLength));
    classicSeconds += SecondsSince(start);
  }
  const double bytes = static_cast<double>(state.iterations()) * stream.decodedLength;
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.counters["classic_bytes_per_second"] = benchmark::Counter(
      bytes / classicSeconds, benchmark::Counter::kDefaults, benchmark::Counter::kIs1024);
  state.counters["speedup"] = classicSeconds / decodeSeconds;
  state.counters["stream/image"] = static_cast<double>(size) / stream.decodedLength;
}
BENCHMARK_CAPTURE(BM_LzariDecodeAgainstClassic, application_image, 169)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_LzariDecodeAgainstClassic, wifi_application_image, 190)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

}  // namespace
}  // namespace solvane
