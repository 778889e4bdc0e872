#pragma once

#include <cstdint>

namespace solvane {

// The progress bar in the program's taskbar button.
class TaskbarButton {
 public:
  virtual ~TaskbarButton() = default;
  virtual void ShowProgress(uint64_t completed, uint64_t total) = 0;
  virtual void HideProgress() = 0;
};

}  // namespace solvane
