#include "platform/win32/windows_run_guard.h"

namespace solvane {

namespace {

// Writers belong to the machine, not to a session: a copy in another user's
// session must be refused too.
constexpr const char* kRunMutexName = "Global\\SolvaneUpdate.Run";
constexpr const wchar_t* kShutdownReason =
    L"Updating the firmware of your writer. Please wait until it has finished.";
// The user watches the run: the display stays on too.
constexpr UINT kExitAfterHungCall = 1;
constexpr EXECUTION_STATE kKeepAwake = ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED;

}  // namespace

WindowsRunGuard::~WindowsRunGuard() {
  if (running_) {
    End();
  }
}

bool WindowsRunGuard::Begin() {
  if (!TakeMutex()) {
    return false;
  }
  running_ = true;
  Hold();
  return true;
}

void WindowsRunGuard::Hold() {
  blocking_ = true;
  api_.SetThreadExecutionState(kKeepAwake);
  blockedWindow_ = window_();
  if (blockedWindow_ != nullptr) {
    api_.ShutdownBlockReasonCreate(blockedWindow_, kShutdownReason);
  }
}

void WindowsRunGuard::Relax() {
  if (!blocking_) {
    return;
  }
  blocking_ = false;
  api_.SetThreadExecutionState(ES_CONTINUOUS);
  if (blockedWindow_ != nullptr) {
    api_.ShutdownBlockReasonDestroy(blockedWindow_);
    blockedWindow_ = nullptr;
  }
}

void WindowsRunGuard::DeviceCallHung() {
  liftedByHang_ = blocking_;
  Relax();
  hung_ = true;
}

// The run writes flash again: what it lifted itself stays lifted.
void WindowsRunGuard::SlowDeviceCallReturned() {
  hung_ = false;
  if (running_ && liftedByHang_) {
    Hold();
  }
  liftedByHang_ = false;
}

// The dialog's thread waits for the hung call; only the end of the process
// stops it. The writer is left as it is, which no wait would change.
void WindowsRunGuard::EndProgram() {
  if (beforeEnd_) {
    beforeEnd_();
  }
  api_.ExitProcess(kExitAfterHungCall);
}

void WindowsRunGuard::End() {
  Relax();
  hung_ = false;
  liftedByHang_ = false;
  if (afterRun_) {
    afterRun_();
  }
  ReleaseMutex();
  running_ = false;
}

// Taken by ownership, not by ERROR_ALREADY_EXISTS: a mutex another copy made
// and let go of is free. One this user may not open is another copy's (an
// elevated one, another user's); one that cannot be made or waited on for any
// other reason lets the run go on.
bool WindowsRunGuard::TakeMutex() {
  mutex_ = api_.CreateMutexA(kRunMutexName);
  if (mutex_ == nullptr) {
    return api_.GetLastError() != ERROR_ACCESS_DENIED;
  }
  DWORD result = api_.WaitForSingleObject(mutex_, 0);
  if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) {
    return true;
  }
  api_.CloseHandle(mutex_);
  mutex_ = nullptr;
  return result != WAIT_TIMEOUT;
}

void WindowsRunGuard::ReleaseMutex() {
  if (mutex_ == nullptr) {
    return;
  }
  api_.ReleaseMutex(mutex_);
  api_.CloseHandle(mutex_);
  mutex_ = nullptr;
}

}  // namespace solvane
