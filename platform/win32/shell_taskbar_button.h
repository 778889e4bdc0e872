#pragma once

#include <functional>

#include "platform/win32/taskbar_button.h"
#include "platform/win32/windows_api.h"

struct ITaskbarList3;

namespace solvane {

// The taskbar button of a window through the shell's ITaskbarList3. Where the
// shell lacks it (no taskbar, an old system) every call does nothing.
class ShellTaskbarButton final : public TaskbarButton {
 public:
  // `window` names the window whose button shows the bar; it may not exist yet
  // when the button object is made.
  explicit ShellTaskbarButton(std::function<HWND()> window) : window_(std::move(window)) {}
  ~ShellTaskbarButton() override;

  ShellTaskbarButton(const ShellTaskbarButton&) = delete;
  ShellTaskbarButton& operator=(const ShellTaskbarButton&) = delete;

  void ShowProgress(uint64_t completed, uint64_t total) override;
  void HideProgress() override;

 private:
  // The shell's taskbar list, made on first use; null where there is none.
  ITaskbarList3* TaskbarList();

  std::function<HWND()> window_;
  ITaskbarList3* taskbarList_ = nullptr;
  bool triedTaskbarList_ = false;
  bool comInitialised_ = false;
};

}  // namespace solvane
