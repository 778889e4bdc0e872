#pragma once

#include <cstdint>
#include <memory>

#include "package/resource_source.h"

namespace solvane {

// Slack behind a decoded image: a match that starts before the end is copied
// whole, so the decoder may write up to 59 bytes past the decoded length.
inline constexpr uint32_t kApplicationImageSlack = 1024;
inline constexpr uint32_t kImageSlack = 256;

enum class ImageLoadStatus {
  kOk,
  kNotFound,     // no resource with that id
  kNotLoadable,  // shorter than its length field, or a length that cannot be held
  kOutOfMemory,  // the callers show "System too low on memory!"
  kDamaged,      // decodes to other bytes than the build recorded, or to unrecorded ones
};

struct EmbeddedImage {
  std::unique_ptr<uint8_t[]> data;  // decoded length + slack bytes
  uint32_t length = 0;              // bytes to use: what was decoded, capped at the decoded length
};

// Finds resource `id`, decodes its LZARI container into a fresh buffer of
// decoded length + slack bytes, checks what it decoded to against the build's
// record and returns it in `image`.
ImageLoadStatus LoadEmbeddedImage(const ResourceSource& resources,
                                  uint32_t id,
                                  uint32_t slack,
                                  EmbeddedImage& image);

}  // namespace solvane
