#include "platform/win32/system_progress_bar_api.h"

namespace solvane {

HMODULE SystemProgressBarApi::LoadLibraryExA(LPCSTR fileName, HANDLE file, DWORD flags) {
  return ::LoadLibraryExA(fileName, file, flags);
}

FARPROC SystemProgressBarApi::GetProcAddress(HMODULE module, LPCSTR procedureName) {
  return ::GetProcAddress(module, procedureName);
}

BOOL SystemProgressBarApi::MapDialogRect(HWND dialog, LPRECT rect) {
  return ::MapDialogRect(dialog, rect);
}

HWND SystemProgressBarApi::CreateWindowExA(DWORD exStyle,
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
                                           LPVOID param) {
  return ::CreateWindowExA(exStyle, className, windowName, style, x, y, width, height, parent, menu,
                           instance, param);
}

BOOL SystemProgressBarApi::ShowWindow(HWND window, int command) {
  return ::ShowWindow(window, command);
}

BOOL SystemProgressBarApi::UpdateWindow(HWND window) {
  return ::UpdateWindow(window);
}

LRESULT SystemProgressBarApi::SendMessageA(HWND window,
                                           UINT message,
                                           WPARAM wParam,
                                           LPARAM lParam) {
  return ::SendMessageA(window, message, wParam, lParam);
}

}  // namespace solvane
