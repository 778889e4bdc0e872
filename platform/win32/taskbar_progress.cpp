#include "platform/win32/taskbar_progress.h"

namespace solvane {

void TaskbarProgress::Start(uint64_t totalBytes) {
  total_ = totalBytes;
  completed_ = 0;
  Advance(0);
}

void TaskbarProgress::Advance(uint64_t bytes) {
  completed_ = bytes >= total_ - completed_ ? total_ : completed_ + bytes;
  if (completed_ >= total_) {
    Finish();
    return;
  }
  button_.ShowProgress(completed_, total_);
  shown_ = true;
}

void TaskbarProgress::Finish() {
  if (shown_) {
    button_.HideProgress();
    shown_ = false;
  }
}

}  // namespace solvane
