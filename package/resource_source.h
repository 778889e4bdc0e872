#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "package/image_digest.h"

namespace solvane {

// The program's embedded data resources (RCDATA by integer id on Windows, the
// containers linked into the program elsewhere). Bytes are read in place.
class ResourceSource {
 public:
  virtual ~ResourceSource() = default;
  virtual std::optional<std::span<const uint8_t>> Find(uint32_t id) const = 0;
  // What the build recorded of image `id`'s decoded bytes, if it did.
  virtual std::optional<ImageDigest> Digest(uint32_t id) const = 0;
  // Where image `id`'s decoded bytes are kept from one load to the next, for
  // tests that run thousands of updates; empty until the first load. The
  // program keeps none.
  virtual std::vector<uint8_t>* KeptDecode(uint32_t /*id*/) const { return nullptr; }
};

}  // namespace solvane
