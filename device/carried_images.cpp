#include "device/carried_images.h"

#include <algorithm>
#include <set>

#include "package/catalogue.h"
#include "package/embedded_image.h"

namespace solvane {

namespace {

// The decoder may write this far past the decoded length.
constexpr uint32_t kDecoderSlack = 64;

std::set<uint32_t> SentWholeImageIds() {
  std::set<uint32_t> ids;
  for (uint32_t type = 0; type < kCatalogueSize; ++type) {
    const CatalogueEntry& row = CatalogueRow(type);
    for (uint32_t id : {row.applicationImage, row.bootImage, row.xLoaderImage,
                        row.wifiApplicationImage, row.wifiNvsImage}) {
      if (id != 0) {
        ids.insert(id);
      }
    }
  }
  return ids;
}

}  // namespace

const std::vector<uint8_t>* CarriedImages::Image(uint32_t image) {
  auto found = decoded_.find(image);
  if (found == decoded_.end()) {
    EmbeddedImage loaded;
    std::vector<uint8_t> bytes;
    if (LoadEmbeddedImage(resources_, image, kDecoderSlack, loaded) == ImageLoadStatus::kOk) {
      bytes.assign(loaded.data.get(), loaded.data.get() + loaded.length);
    }
    found = decoded_.emplace(image, std::move(bytes)).first;
  }
  return &found->second;
}

std::optional<CarriedImages::Match> CarriedImages::Find(uint32_t offset,
                                                        std::span<const uint8_t> bytes) {
  for (uint32_t id : SentWholeImageIds()) {
    const std::vector<uint8_t>& image = *Image(id);
    if (!bytes.empty() && offset <= image.size() && bytes.size() <= image.size() - offset &&
        std::equal(bytes.begin(), bytes.end(), image.begin() + offset)) {
      return Match{id, offset};
    }
  }
  return std::nullopt;
}

std::optional<std::span<const uint8_t>> CarriedImages::Bytes(uint32_t image,
                                                             uint32_t offset,
                                                             uint32_t length) {
  const std::vector<uint8_t>& bytes = *Image(image);
  if (offset > bytes.size() || length > bytes.size() - offset) {
    return std::nullopt;
  }
  return std::span<const uint8_t>(bytes).subspan(offset, length);
}

}  // namespace solvane
