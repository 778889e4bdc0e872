#pragma once

#include <cstdint>

namespace solvane {

// What the writer says about itself. The application values are those of the
// installed application code; in boot mode the writer reports its boot code.
struct WriterIdentity {
  uint32_t machineType = 19;
  uint32_t applicationVersion = 0x01630000;  // 1.63.00
  uint32_t applicationBuild = 35000;
  bool applicationValid = true;  // false: no runnable application, the writer stays in boot mode
  bool bootMode = false;
  bool bootIntact = true;  // false: a power cut stopped its install; nothing starts
  uint32_t bootVersion = 0x01000000;
  uint32_t bootBuild = 35600;
  uint32_t secondaryBootVersion = 0x01000000;
  uint32_t secondaryBootBuild = 35600;
};

// The largest payload of one transfer packet the writer takes.
inline uint32_t MaximumChunk(uint32_t machineType) {
  return machineType == 2 || (machineType >= 6 && machineType <= 15) ? 8192 : 65536;
}

}  // namespace solvane
