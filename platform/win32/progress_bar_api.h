#pragma once

#include "platform/win32/windows_api.h"

namespace solvane {

// The Windows calls that put a common progress control into a dialog, with
// their Windows signatures, so tests can check the arguments and make any call
// fail. comctl32 is loaded at run time: the program links no import of it.
class ProgressBarApi {
 public:
  virtual ~ProgressBarApi() = default;
  virtual HMODULE LoadLibraryExA(LPCSTR fileName, HANDLE file, DWORD flags) = 0;
  virtual FARPROC GetProcAddress(HMODULE module, LPCSTR procedureName) = 0;
  virtual BOOL MapDialogRect(HWND dialog, LPRECT rect) = 0;
  virtual HWND CreateWindowExA(DWORD exStyle,
                               LPCSTR className,
                               LPCSTR windowName,
                               DWORD style,
                               int x,
                               int y,
                               int width,
                               int height,
                               HWND parent,
                               HMENU menu,
                               HINSTANCE instance,
                               LPVOID param) = 0;
  virtual BOOL ShowWindow(HWND window, int command) = 0;
  virtual BOOL UpdateWindow(HWND window) = 0;
  virtual LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

}  // namespace solvane
