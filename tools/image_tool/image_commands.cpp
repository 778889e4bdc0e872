#include "tools/image_tool/image_commands.h"

#include <cstdio>
#include <span>
#include <stdexcept>
#include <vector>

#include "package/arithmetic_compression.h"
#include "package/crc32.h"
#include "package/embedded_image.h"
#include "package/intel_hex.h"
#include "package/posix/image_contents.h"
#include "package/posix/linked_images.h"
#include "package/posix/linked_resource_source.h"
#include "platform/little_endian.h"
#include "tools/image_tool/decoded_length_limit.h"
#include "tools/image_tool/file_bytes.h"
#include "tools/lzari/lzari_encoder.h"

namespace solvane {
namespace {

struct Unpacked {
  uint32_t decodedLength;
  std::vector<uint8_t> bytes;  // what Decode wrote, possibly more than decodedLength
};

Unpacked Unpack(std::span<const uint8_t> container, bool anyLength) {
  if (container.size() < 4) {
    throw std::runtime_error("container shorter than its 4-byte length field");
  }
  Unpacked result;
  result.decodedLength = LoadLe32(container.data());
  CheckDecodedLength(result.decodedLength, anyLength);
  result.bytes.resize(size_t{result.decodedLength} + kImageSlack);
  CArithmeticCompression decoder;
  const uint32_t written =
      decoder.Decode(container.data() + 4, static_cast<uint32_t>(container.size() - 4),
                     result.bytes.data(), result.decodedLength);
  result.bytes.resize(written);
  return result;
}

}  // namespace

void PackCommand(const std::string& rawPath, const std::string& outPath) {
  const std::vector<uint8_t> raw = ReadFileBytes(rawPath);
  const std::vector<uint8_t> container = PackImageContainer(raw);
  WriteFileBytes(outPath, container);
  std::printf("packed %zu bytes into %zu (%.1f%%)\n", raw.size(), container.size(),
              raw.empty() ? 0.0 : 100.0 * static_cast<double>(container.size()) / raw.size());
}

void UnpackCommand(const std::string& containerPath, const std::string& outPath, bool anyLength) {
  const Unpacked unpacked = Unpack(ReadFileBytes(containerPath), anyLength);
  WriteFileBytes(outPath, unpacked.bytes);
  std::printf("unpacked %zu bytes\n", unpacked.bytes.size());
}

void InfoCommand(const std::string& containerPath, bool anyLength) {
  const std::vector<uint8_t> container = ReadFileBytes(containerPath);
  const Unpacked unpacked = Unpack(container, anyLength);
  std::printf("decoded length: %u\n", unpacked.decodedLength);
  std::printf("stored size:    %zu\n", container.size());
  std::printf("decode count:   %zu\n", unpacked.bytes.size());
  std::printf("CRC register:   0x%08X\n", Crc32Of(unpacked.bytes.data(), unpacked.bytes.size()));
}

void CrcCommand(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  std::printf("0x%08X\n", Crc32Of(bytes.data(), bytes.size()));
}

void HexCommand(const std::string& path, uint32_t base, uint32_t size, const std::string& outPath) {
  const std::vector<uint8_t> text = ReadFileBytes(path);
  std::vector<uint8_t> image(size, 0xFF);
  const int32_t result = LoadIntelHex(reinterpret_cast<const char*>(text.data()),
                                      static_cast<uint32_t>(text.size()), image.data(), size, base);
  std::printf("result: %d\n", result);
  if (result <= 0) {
    throw std::runtime_error("Intel HEX text does not load (result " + std::to_string(result) +
                             ")");
  }
  if (!outPath.empty()) {
    WriteFileBytes(outPath, image);
  }
}

void ListCommand() {
  const LinkedResourceSource resources;
  std::printf("%5s %10s %10s %10s  %s\n", "id", "stored", "decoded", "CRC", "content");
  for (const LinkedImage& linked : LinkedImages()) {
    EmbeddedImage image;
    if (LoadEmbeddedImage(resources, linked.id, kApplicationImageSlack, image) !=
        ImageLoadStatus::kOk) {
      throw std::runtime_error("embedded image " + std::to_string(linked.id) + " does not load");
    }
    std::printf("%5u %10zu %10u 0x%08X  %s\n", linked.id, linked.container.size(), image.length,
                Crc32Of(image.data.get(), image.length), ImageContent(linked.id));
  }
}

}  // namespace solvane
