#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <vector>

#include "package/arithmetic_compression.h"
#include "tools/lzari/lzari_encoder.h"
#include "tools/lzari/lzari_reference_decoder.h"
#include "tools/payload/payload_generator.h"
#include "tools/payload/prng.h"

namespace solvane {
namespace {

struct Stream {
  std::vector<uint8_t> bytes;
  uint32_t decodedLength = 0;
};

using ImageMaker = std::vector<uint8_t> (*)();

std::vector<uint8_t> ApplicationImage() {
  return GenerateImage(169);
}

std::vector<uint8_t> WifiApplicationImage() {
  return GenerateImage(190);
}

// Real ARM code is less regular than the generated images: with the immediate
// byte of 3 words in 10 random, the application image compresses to 63%, as
// 3.5 MB of real code does, with a flatter spread of literals.
std::vector<uint8_t> DenseApplicationImage() {
  constexpr size_t kHeaderSize = 292;  // the image's own header stays as it is
  std::vector<uint8_t> image = GenerateImage(169);
  Prng prng(0xDE45E);
  for (size_t i = kHeaderSize; i + 4 <= image.size(); i += 4) {
    if (prng.Percent(30))
      image[i] = static_cast<uint8_t>(prng.Next());
  }
  return image;
}

// Encoding takes longer than decoding, so each image is encoded once per run.
const Stream& EncodedImage(ImageMaker make) {
  static std::map<ImageMaker, Stream> streams;
  Stream& stream = streams[make];
  if (stream.bytes.empty()) {
    const std::vector<uint8_t> image = make();
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
void BM_LzariDecodeAgainstClassic(benchmark::State& state, ImageMaker make) {
  const Stream& stream = EncodedImage(make);
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
BENCHMARK_CAPTURE(BM_LzariDecodeAgainstClassic, application_image, ApplicationImage)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_LzariDecodeAgainstClassic, wifi_application_image, WifiApplicationImage)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_LzariDecodeAgainstClassic, dense_application_image, DenseApplicationImage)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

}  // namespace
}  // namespace solvane
