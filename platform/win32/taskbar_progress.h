#pragma once

#include "platform/progress.h"
#include "platform/win32/taskbar_button.h"

namespace solvane {

// The engine's progress on the taskbar button: the dialog has no place for a
// bar. The bar goes when its step is complete, or when Finish says the run is over.
class TaskbarProgress final : public Progress {
 public:
  explicit TaskbarProgress(TaskbarButton& button) : button_(button) {}

  void Start(uint64_t totalBytes) override;
  void Advance(uint64_t bytes) override;
  // Takes away a bar whose step broke off.
  void Finish();

 private:
  TaskbarButton& button_;
  uint64_t total_ = 0;
  uint64_t completed_ = 0;
  bool shown_ = false;
};

}  // namespace solvane
