#include "package/posix/linked_resource_source.h"

#include "package/posix/linked_images.h"

namespace solvane {

std::optional<std::span<const uint8_t>> LinkedResourceSource::Find(uint32_t id) const {
  for (const LinkedImage& image : LinkedImages()) {
    if (image.id == id) {
      return image.container;
    }
  }
  return std::nullopt;
}

std::optional<ImageDigest> LinkedResourceSource::Digest(uint32_t id) const {
  return FindImageDigest(EmbeddedImageDigests(), id);
}

}  // namespace solvane
