#include "app/win32/win32_dialog_window.h"

namespace solvane {

namespace {

// Notification codes of a command from a button click or a menu, and from an
// accelerator; other notifications are no commands.
constexpr WORD kClickOrMenu = BN_CLICKED;
constexpr WORD kAccelerator = 1;

std::string Text(std::string_view text) {
  return std::string(text);
}

}  // namespace

INT_PTR Win32DialogWindow::Run(HWND owner) {
  INT_PTR result = DialogBoxParamA(resources_, MAKEINTRESOURCEA(dialog_.templateId()), owner,
                                   &DialogProc, reinterpret_cast<LPARAM>(this));
  dialog_.Detach();
  window_ = nullptr;
  return result;
}

INT_PTR CALLBACK Win32DialogWindow::DialogProc(HWND window,
                                               UINT message,
                                               WPARAM wParam,
                                               LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<Win32DialogWindow*>(lParam);
    SetWindowLongPtrA(window, DWLP_USER, lParam);
    self->window_ = window;
    self->dialog_.Attach(*self);
    RECT before;
    GetWindowRect(window, &before);
    BOOL focusDefault = self->dialog_.OnInitDialog() ? TRUE : FALSE;
    RECT after;
    GetWindowRect(window, &after);
    if (EqualRect(&before, &after)) {
      self->Centre();  // a dialog its initialisation did not place
    }
    return focusDefault;
  }
  // Messages before WM_INITDIALOG (WM_SETFONT) find no window object yet.
  auto* self = reinterpret_cast<Win32DialogWindow*>(GetWindowLongPtrA(window, DWLP_USER));
  return self ? self->Handle(message, wParam, lParam) : FALSE;
}

bool Win32DialogWindow::DroppedDuringRun(UINT message, WPARAM wParam) const {
  if (!routing_ && (runGuard_ == nullptr || !runGuard_->RunInProgress())) {
    return false;
  }
  switch (message) {
    case WM_COMMAND:
    case WM_HELP:
    case WM_CLOSE:
      return true;
    case WM_SYSCOMMAND: {
      WPARAM command = wParam & 0xFFF0;
      return command != SC_MINIMIZE && command != SC_RESTORE;
    }
    default:
      return false;
  }
}

bool Win32DialogWindow::ClosesAfterHang(UINT message, WPARAM wParam) const {
  if (runGuard_ == nullptr || !runGuard_->CloseEndsProgram()) {
    return false;
  }
  return message == WM_CLOSE || (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE);
}

// The answer of a message whose dialog procedure result is not the answer.
INT_PTR Win32DialogWindow::Answer(LRESULT result) {
  SetWindowLongPtrA(window_, DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR Win32DialogWindow::Handle(UINT message, WPARAM wParam, LPARAM) {
  if (ClosesAfterHang(message, wParam)) {
    runGuard_->EndProgram();
    return Answer(0);
  }
  // Dropped, not deferred: a message box's loop would carry it out later.
  if (DroppedDuringRun(message, wParam)) {
    return Answer(0);
  }
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) != kClickOrMenu && HIWORD(wParam) != kAccelerator) {
        return FALSE;
      }
      return RouteCommand(LOWORD(wParam)) ? TRUE : FALSE;
    case WM_HELP:
      RouteCommand(kHelpCommand);
      return TRUE;
    case WM_SYSCOMMAND:
      if (!dialog_.OnSysCommand(static_cast<uint32_t>(wParam))) {
        return FALSE;  // the default handling: move, minimise, close...
      }
      return Answer(0);
    case WM_QUERYENDSESSION:
      return Answer(runGuard_ != nullptr && !runGuard_->SessionMayEnd() ? FALSE : TRUE);
    case WM_PAINT:
      return PaintMinimised() ? TRUE : FALSE;
    case WM_QUERYDRAGICON:
      // One of the messages whose dialog procedure result is the answer itself.
      return reinterpret_cast<INT_PTR>(icon_);
    default:
      return FALSE;
  }
}

bool Win32DialogWindow::RouteCommand(uint32_t commandId) {
  routing_ = true;
  bool handled = dialog_.OnCommand(commandId) ||
                 (application_ != nullptr && application_->OnCommand(commandId));
  routing_ = false;
  if (application_ != nullptr) {
    application_->AfterCommand();
  }
  return handled;
}

void Win32DialogWindow::Centre() {
  HWND owner = GetWindow(window_, GW_OWNER);
  RECT area;
  if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) {
    GetWindowRect(owner, &area);
  } else {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoA(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    area = monitor.rcWork;
  }
  RECT own;
  GetWindowRect(window_, &own);
  int width = own.right - own.left;
  int height = own.bottom - own.top;
  int x = area.left + (area.right - area.left - width) / 2;
  int y = area.top + (area.bottom - area.top - height) / 2;
  SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Win32DialogWindow::PaintMinimised() {
  if (icon_ == nullptr || !IsIconic(window_)) {
    return false;
  }
  PAINTSTRUCT paint;
  HDC context = BeginPaint(window_, &paint);
  SendMessageA(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(context), 0);
  int iconWidth = GetSystemMetrics(SM_CXICON);
  int iconHeight = GetSystemMetrics(SM_CYICON);
  RECT client;
  GetClientRect(window_, &client);
  int x = (client.right - client.left - iconWidth + 1) / 2;
  int y = (client.bottom - client.top - iconHeight + 1) / 2;
  DrawIcon(context, x, y, icon_);
  EndPaint(window_, &paint);
  return true;
}

void Win32DialogWindow::SetItemText(uint32_t controlId, std::string_view text) {
  SetDlgItemTextA(window_, static_cast<int>(controlId), Text(text).c_str());
}

void Win32DialogWindow::SetCaption(std::string_view text) {
  SetWindowTextA(window_, Text(text).c_str());
}

int Win32DialogWindow::MessageBox(std::string_view text, std::string_view caption, uint32_t style) {
  int answer = MessageBoxA(window_, Text(text).c_str(), Text(caption).c_str(), style);
  if (answerObserver_ != nullptr) {
    answerObserver_->Answered(text, caption, style, answer);
  }
  return answer;
}

bool Win32DialogWindow::AppendSystemMenu(uint32_t commandId, std::string_view text) {
  HMENU menu = GetSystemMenu(window_, FALSE);
  if (menu == nullptr) {
    return false;
  }
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, commandId, Text(text).c_str());
  return true;
}

void Win32DialogWindow::SetIcon(uint32_t iconId) {
  icon_ = LoadIconA(resources_, MAKEINTRESOURCEA(iconId));
  SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
}

int Win32DialogWindow::RunModal(CDialog& child) {
  Win32DialogWindow childWindow(resources_, child, application_);
  return static_cast<int>(childWindow.Run(window_));
}

void Win32DialogWindow::EndDialog(int result) {
  ::EndDialog(window_, result);
}

}  // namespace solvane
