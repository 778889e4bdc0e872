#pragma once

#include "package/resource_source.h"

namespace solvane {

// The image containers the build packed and linked into the program.
class LinkedResourceSource final : public ResourceSource {
 public:
  std::optional<std::span<const uint8_t>> Find(uint32_t id) const override;
  std::optional<ImageDigest> Digest(uint32_t id) const override;
};

}  // namespace solvane
