#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "package/resource_source.h"

namespace solvane {

// The images the program sends whole to the writer (application, boot code,
// X-Loader, the WiFi images), decoded on first use: a recording keeps a
// read-back that equals one of them as a reference, and a replay serves it.
class CarriedImages {
 public:
  struct Match {
    uint32_t image;
    uint32_t offset;
  };

  explicit CarriedImages(const ResourceSource& resources) : resources_(resources) {}

  // The image whose bytes from `offset` on are `bytes`.
  std::optional<Match> Find(uint32_t offset, std::span<const uint8_t> bytes);
  // `length` bytes of image `image` from `offset`; nothing past its end.
  std::optional<std::span<const uint8_t>> Bytes(uint32_t image, uint32_t offset, uint32_t length);

 private:
  const std::vector<uint8_t>* Image(uint32_t image);

  const ResourceSource& resources_;
  std::map<uint32_t, std::vector<uint8_t>> decoded_;
};

}  // namespace solvane
