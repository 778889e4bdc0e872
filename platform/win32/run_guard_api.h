#pragma once

#include "platform/win32/windows_api.h"

namespace solvane {

// The Windows calls that guard a run, with their Windows signatures, so tests
// can see them and make any of them fail.
class RunGuardApi {
 public:
  virtual ~RunGuardApi() = default;
  virtual EXECUTION_STATE SetThreadExecutionState(EXECUTION_STATE flags) = 0;
  virtual BOOL ShutdownBlockReasonCreate(HWND window, LPCWSTR reason) = 0;
  virtual BOOL ShutdownBlockReasonDestroy(HWND window) = 0;
  virtual HANDLE CreateMutexA(LPCSTR name) = 0;
  // The error of the last call that failed, as Windows keeps it per thread.
  virtual DWORD GetLastError() = 0;
  virtual DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) = 0;
  virtual BOOL ReleaseMutex(HANDLE mutex) = 0;
  virtual BOOL CloseHandle(HANDLE object) = 0;
  virtual void ExitProcess(UINT exitCode) = 0;
};

// The calls as Windows makes them.
class SystemRunGuardApi final : public RunGuardApi {
 public:
  EXECUTION_STATE SetThreadExecutionState(EXECUTION_STATE flags) override {
    return ::SetThreadExecutionState(flags);
  }
  BOOL ShutdownBlockReasonCreate(HWND window, LPCWSTR reason) override {
    return ::ShutdownBlockReasonCreate(window, reason);
  }
  BOOL ShutdownBlockReasonDestroy(HWND window) override {
    return ::ShutdownBlockReasonDestroy(window);
  }
  HANDLE CreateMutexA(LPCSTR name) override { return ::CreateMutexA(nullptr, FALSE, name); }
  DWORD GetLastError() override { return ::GetLastError(); }
  DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) override {
    return ::WaitForSingleObject(object, milliseconds);
  }
  BOOL ReleaseMutex(HANDLE mutex) override { return ::ReleaseMutex(mutex); }
  BOOL CloseHandle(HANDLE object) override { return ::CloseHandle(object); }
  void ExitProcess(UINT exitCode) override { ::ExitProcess(exitCode); }
};

}  // namespace solvane
