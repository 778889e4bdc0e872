#include "platform/win32/taskbar_progress.h"

namespace solvane {

void TaskbarProgress::Start(uint64_t totalBytes) {
  total_ = totalBytes;
  completed_ = 0;
  if (total_ == 0) {
    End();
    return;
  }
  button_.ShowProgress(completed_, total_);
  shown_ = true;
}

void TaskbarProgress::Advance(uint64_t bytes) {
  if (!shown_) {
    return;
  }
  completed_ = bytes >= total_ - completed_ ? total_ : completed_ + bytes;
  button_.ShowProgress(completed_, total_);
}

void TaskbarProgress::End() {
  if (shown_) {
    button_.HideProgress();
    shown_ = false;
  }
}

}  // namespace solvane
