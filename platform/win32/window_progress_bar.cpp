#include "platform/win32/window_progress_bar.h"

#include <commctrl.h>

#include <algorithm>

namespace solvane {

namespace {

// Dialog units: template 102 leaves y 163 to 180 free between the status area
// and the buttons.
constexpr RECT kBarArea = {19, 166, 19 + 282, 166 + 10};
// The bar's range: fine enough for any width the bar has on a screen.
constexpr int kSteps = 1000;

using InitCommonControlsExCall = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);

}  // namespace

HWND WindowProgressBar::Bar() {
  if (bar_ != nullptr || unavailable_) {
    return bar_;
  }
  HWND dialog = dialog_();
  if (dialog == nullptr) {
    return nullptr;
  }
  unavailable_ = true;
  // Not one of the known DLLs: only the system folder's copy will do. It stays
  // loaded, since the control's class lives in it.
  HMODULE controls = api_.LoadLibraryExA("comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (controls == nullptr) {
    return nullptr;
  }
  auto initialise = reinterpret_cast<InitCommonControlsExCall>(
      reinterpret_cast<void (*)()>(api_.GetProcAddress(controls, "InitCommonControlsEx")));
  INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_PROGRESS_CLASS};
  RECT area = kBarArea;
  if (initialise == nullptr || !initialise(&classes) || !api_.MapDialogRect(dialog, &area)) {
    return nullptr;
  }
  bar_ = api_.CreateWindowExA(0, PROGRESS_CLASSA, nullptr, WS_CHILD, area.left, area.top,
                              area.right - area.left, area.bottom - area.top, dialog,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kProgressBarControl)),
                              nullptr, nullptr);
  if (bar_ == nullptr) {
    return nullptr;
  }
  api_.SendMessageA(bar_, PBM_SETRANGE32, 0, kSteps);
  unavailable_ = false;
  return bar_;
}

void WindowProgressBar::Start(uint64_t totalBytes) {
  HWND bar = Bar();
  if (bar == nullptr || totalBytes == 0) {
    return;
  }
  total_ = totalBytes;
  done_ = 0;
  ShowPosition();
  api_.ShowWindow(bar, SW_SHOWNA);
  shown_ = true;
  api_.UpdateWindow(bar);
}

void WindowProgressBar::Advance(uint64_t bytes) {
  if (!shown_) {
    return;
  }
  done_ = bytes >= total_ - done_ ? total_ : done_ + bytes;
  ShowPosition();
  // Painted now, not when the dialog's thread next takes its messages.
  api_.UpdateWindow(bar_);
}

void WindowProgressBar::End() {
  if (shown_) {
    api_.ShowWindow(bar_, SW_HIDE);
    shown_ = false;
  }
}

void WindowProgressBar::ShowPosition() {
  api_.SendMessageA(bar_, PBM_SETPOS, static_cast<WPARAM>(done_ * kSteps / total_), 0);
}

}  // namespace solvane
