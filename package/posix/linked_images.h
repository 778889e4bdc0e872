#pragma once

#include <cstdint>
#include <span>

namespace solvane {

// One image container linked into the program at build time.
struct LinkedImage {
  uint32_t id;
  std::span<const uint8_t> container;
};

// Every linked container, in id order. Defined by the file the build generates.
std::span<const LinkedImage> LinkedImages();

}  // namespace solvane
