#pragma once

#include <cstdint>

namespace solvane {

// Progress of one step that moves bytes (a transfer, a read-back, a write). A
// front end draws one bar per Start and takes it away (or leaves it as far as
// it got) at End, which comes however the step ends; a retry starts its bar again.
class Progress {
 public:
  virtual ~Progress() = default;
  virtual void Start(uint64_t totalBytes) = 0;
  virtual void Advance(uint64_t bytes) = 0;
  virtual void End() = 0;
};

// For front ends and tests that draw nothing.
class NoProgress final : public Progress {
 public:
  void Start(uint64_t) override {}
  void Advance(uint64_t) override {}
  void End() override {}
};

// One step shown in two places, such as a window and its taskbar button.
class ProgressPair final : public Progress {
 public:
  ProgressPair(Progress& first, Progress& second) : first_(first), second_(second) {}
  void Start(uint64_t totalBytes) override {
    first_.Start(totalBytes);
    second_.Start(totalBytes);
  }
  void Advance(uint64_t bytes) override {
    first_.Advance(bytes);
    second_.Advance(bytes);
  }
  void End() override {
    first_.End();
    second_.End();
  }

 private:
  Progress& first_;
  Progress& second_;
};

}  // namespace solvane
