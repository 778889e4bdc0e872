#pragma once

#include <functional>

#include "platform/run_guard.h"
#include "platform/win32/run_guard_api.h"

namespace solvane {

// A run on Windows holds the machine's run mutex, keeps the PC and its display
// awake and gives the session a reason not to end; the window asks it whether
// a run is in progress and whether the session may end.
class WindowsRunGuard final : public RunGuard {
 public:
  WindowsRunGuard(RunGuardApi& api, std::function<HWND()> window, std::function<void()> afterRun)
      : api_(api), window_(std::move(window)), afterRun_(std::move(afterRun)) {}
  ~WindowsRunGuard() override;

  WindowsRunGuard(const WindowsRunGuard&) = delete;
  WindowsRunGuard& operator=(const WindowsRunGuard&) = delete;

  bool Begin() override;
  void Relax() override;
  void End() override;

  // A device call that has not returned for a long time: the PC may sleep and
  // the session end again, and closing the window ends the program.
  void DeviceCallHung();
  // That call has returned after all: the run has what the hang lifted back.
  void SlowDeviceCallReturned();
  // Ends the program where the run cannot end by itself, after `beforeEnd`.
  void EndProgram();
  void SetBeforeEndProgram(std::function<void()> beforeEnd) { beforeEnd_ = std::move(beforeEnd); }

  bool RunInProgress() const { return running_; }
  bool SessionMayEnd() const { return !blocking_; }
  bool CloseEndsProgram() const { return running_ && hung_; }

 private:
  // Keeps the PC awake and blocks the session's end.
  void Hold();
  // False when another copy owns the mutex.
  bool TakeMutex();
  void ReleaseMutex();

  RunGuardApi& api_;
  std::function<HWND()> window_;
  std::function<void()> afterRun_;
  std::function<void()> beforeEnd_;
  HANDLE mutex_ = nullptr;
  HWND blockedWindow_ = nullptr;
  bool running_ = false;
  bool blocking_ = false;
  bool hung_ = false;
  // The hang, not the run, lifted the hold.
  bool liftedByHang_ = false;
};

}  // namespace solvane
