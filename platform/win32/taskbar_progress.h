#pragma once

#include "platform/progress.h"
#include "platform/win32/taskbar_button.h"

namespace solvane {

// The engine's progress on the taskbar button, from the start of a step to its
// end; a step of no bytes shows nothing.
class TaskbarProgress final : public Progress {
 public:
  explicit TaskbarProgress(TaskbarButton& button) : button_(button) {}

  void Start(uint64_t totalBytes) override;
  void Advance(uint64_t bytes) override;
  void End() override;

 private:
  TaskbarButton& button_;
  uint64_t total_ = 0;
  uint64_t completed_ = 0;
  bool shown_ = false;
};

}  // namespace solvane
