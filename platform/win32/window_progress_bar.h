#pragma once

#include <cstdint>
#include <functional>

#include "platform/progress.h"
#include "platform/win32/progress_bar_api.h"

namespace solvane {

// The id of the bar among the main dialog's controls.
inline constexpr int kProgressBarControl = 1003;

// The engine's progress in the main dialog: a common progress control in the
// band between the status area and the buttons, made at the first step (the
// dialog's template has no place for it), shown from the start of a step to
// its end and filled as the writer takes each chunk. Where the common controls
// or the control cannot be had, there is no bar and nothing else changes.
class WindowProgressBar final : public Progress {
 public:
  // `dialog` names the main dialog; it may not exist yet when the bar object
  // is made.
  WindowProgressBar(ProgressBarApi& api, std::function<HWND()> dialog)
      : api_(api), dialog_(std::move(dialog)) {}

  void Start(uint64_t totalBytes) override;
  void Advance(uint64_t bytes) override;
  void End() override;

 private:
  // The control, made on first use; null where it cannot be.
  HWND Bar();
  void ShowPosition();

  ProgressBarApi& api_;
  std::function<HWND()> dialog_;
  HWND bar_ = nullptr;
  bool unavailable_ = false;
  bool shown_ = false;
  uint64_t total_ = 0;
  uint64_t done_ = 0;
};

}  // namespace solvane
