#pragma once

#include <cstdint>

namespace solvane {

// Progress of one step that moves bytes (a transfer, a read-back, a write). A
// front end draws one bar per Start; a retry starts its bar again.
class Progress {
 public:
  virtual ~Progress() = default;
  virtual void Start(uint64_t totalBytes) = 0;
  virtual void Advance(uint64_t bytes) = 0;
};

// For front ends and tests that draw nothing.
class NoProgress final : public Progress {
 public:
  void Start(uint64_t) override {}
  void Advance(uint64_t) override {}
};

}  // namespace solvane
