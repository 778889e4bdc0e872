#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/win32/windows_api.h"

namespace solvane::test {

// Steps run on the dialog's own thread from a timer while modal dialogs and
// message boxes run their loops, so a test can drive a modal dialog from inside.
// A step returns false to be tried again at the next tick (its window is not
// there yet). Steps may block in a nested modal loop: the next ones run inside
// it. When the steps take longer than their deadline every loop is ended.
class DialogScript {
 public:
  using Step = std::function<bool()>;

  explicit DialogScript(std::vector<Step> steps, int deadlineTicks = 500);
  ~DialogScript();

  DialogScript(const DialogScript&) = delete;
  DialogScript& operator=(const DialogScript&) = delete;

  bool finished() const { return next_ >= steps_.size(); }
  bool timedOut() const { return timedOut_; }

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
  void Tick();

  std::vector<Step> steps_;
  size_t next_ = 0;
  int ticksLeft_;
  bool timedOut_ = false;
  UINT_PTR timer_ = 0;
};

// The window text of `window`, or of its control `controlId`.
std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int controlId);
// An enabled window owned by `owner` with this caption, or null.
HWND OwnedWindow(HWND owner, const std::string& caption);

}  // namespace solvane::test
