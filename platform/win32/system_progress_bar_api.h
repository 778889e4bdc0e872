#pragma once

#include "platform/win32/progress_bar_api.h"

namespace solvane {

// The progress control's calls as Windows makes them.
class SystemProgressBarApi final : public ProgressBarApi {
 public:
  HMODULE LoadLibraryExA(LPCSTR fileName, HANDLE file, DWORD flags) override;
  FARPROC GetProcAddress(HMODULE module, LPCSTR procedureName) override;
  BOOL MapDialogRect(HWND dialog, LPRECT rect) override;
  HWND CreateWindowExA(DWORD exStyle,
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
                       LPVOID param) override;
  BOOL ShowWindow(HWND window, int command) override;
  BOOL UpdateWindow(HWND window) override;
  LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace solvane
