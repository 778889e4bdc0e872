#include "package/image_digest.h"

namespace solvane {

std::optional<ImageDigest> FindImageDigest(std::span<const ImageDigest> digests, uint32_t id) {
  for (const ImageDigest& digest : digests) {
    if (digest.id == id) {
      return digest;
    }
  }
  return std::nullopt;
}

}  // namespace solvane
