#pragma once

#include "package/resource_source.h"
#include "platform/win32/windows_api.h"

namespace solvane {

// The image containers as RCDATA resources of a module: the program's own
// unless another is named.
class RcdataResourceSource final : public ResourceSource {
 public:
  explicit RcdataResourceSource(HMODULE module = nullptr) : module_(module) {}

  std::optional<std::span<const uint8_t>> Find(uint32_t id) const override;
  std::optional<ImageDigest> Digest(uint32_t id) const override;

 private:
  HMODULE module_;
};

}  // namespace solvane
