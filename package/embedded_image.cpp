#include "package/embedded_image.h"

#include <algorithm>
#include <limits>
#include <new>

#include "package/arithmetic_compression.h"
#include "package/crc32.h"
#include "platform/little_endian.h"

namespace solvane {
namespace {

constexpr size_t kLengthFieldSize = 4;

}  // namespace

ImageLoadStatus LoadEmbeddedImage(const ResourceSource& resources,
                                  uint32_t id,
                                  uint32_t slack,
                                  EmbeddedImage& image) {
  const std::optional<std::span<const uint8_t>> resource = resources.Find(id);
  if (!resource) {
    return ImageLoadStatus::kNotFound;
  }
  if (resource->size() < kLengthFieldSize ||
      resource->size() - kLengthFieldSize > std::numeric_limits<uint32_t>::max()) {
    return ImageLoadStatus::kNotLoadable;
  }
  const uint32_t decodedLength = LoadLe32(resource->data());
  if (decodedLength > std::numeric_limits<uint32_t>::max() - slack) {
    return ImageLoadStatus::kNotLoadable;
  }
  std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[decodedLength + slack]);
  if (!data) {
    return ImageLoadStatus::kOutOfMemory;
  }
  uint32_t written = 0;
  std::vector<uint8_t>* kept = resources.KeptDecode(id);
  if (kept != nullptr && !kept->empty() && kept->size() <= decodedLength + slack) {
    written = static_cast<uint32_t>(kept->size());
    std::copy(kept->begin(), kept->end(), data.get());
  } else {
    CArithmeticCompression decoder;
    written = decoder.Decode(resource->data() + kLengthFieldSize,
                             static_cast<uint32_t>(resource->size() - kLengthFieldSize), data.get(),
                             decodedLength);
    if (kept != nullptr && written <= decodedLength + slack) {
      kept->assign(data.get(), data.get() + written);
    }
  }
  const std::optional<ImageDigest> digest = resources.Digest(id);
  if (!digest || written != digest->decodeCount || Crc32Of(data.get(), written) != digest->crc) {
    return ImageLoadStatus::kDamaged;
  }
  image.data = std::move(data);
  // A last match can run past the end (the record counts it whole); those
  // bytes are never used.
  image.length = std::min(written, decodedLength);
  return ImageLoadStatus::kOk;
}

}  // namespace solvane
