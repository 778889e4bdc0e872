#pragma once

#include <cstdint>
#include <functional>

#include "app/posix/terminal_screen.h"
#include "platform/progress.h"

namespace solvane {

// A bar with percent and rate while bytes go to or come from the writer; draws
// nothing when the output is not a terminal.
class TerminalProgress final : public Progress {
 public:
  // `nowMs` is a monotonic clock in milliseconds.
  TerminalProgress(TerminalScreen& screen, bool draw, std::function<uint64_t()> nowMs);

  void Start(uint64_t totalBytes) override;
  void Advance(uint64_t bytes) override;
  void End() override;

 private:
  void Draw();

  TerminalScreen& screen_;
  bool draw_;
  std::function<uint64_t()> nowMs_;
  bool active_ = false;
  uint64_t total_ = 0;
  uint64_t done_ = 0;
  uint64_t startMs_ = 0;
};

}  // namespace solvane
