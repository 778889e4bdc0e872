#include "package/win32/rcdata_resource_source.h"

namespace solvane {

std::optional<std::span<const uint8_t>> RcdataResourceSource::Find(uint32_t id) const {
  HRSRC resource = FindResourceA(module_, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));
  if (resource == nullptr) {
    return std::nullopt;
  }
  DWORD size = SizeofResource(module_, resource);
  HGLOBAL loaded = LoadResource(module_, resource);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) {
    return std::nullopt;
  }
  return std::span<const uint8_t>(static_cast<const uint8_t*>(bytes), size);
}

std::optional<ImageDigest> RcdataResourceSource::Digest(uint32_t id) const {
  return FindImageDigest(EmbeddedImageDigests(), id);
}

}  // namespace solvane
