#include "platform/win32/system_message_pump.h"

namespace solvane {

uint64_t SystemMessagePump::NowMs() {
  return GetTickCount64();
}

bool SystemMessagePump::WaitForEventOrMessage(HANDLE event, uint32_t milliseconds) {
  // MWMO_INPUTAVAILABLE: a message that was already queued but not yet
  // handled ends the wait too.
  DWORD result =
      MsgWaitForMultipleObjectsEx(event != nullptr ? 1 : 0, event != nullptr ? &event : nullptr,
                                  milliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  return event != nullptr && result == WAIT_OBJECT_0;
}

void SystemMessagePump::Pump() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (IsInputForMainWindow(message)) {
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

bool SystemMessagePump::IsInputForMainWindow(const MSG& message) const {
  bool caption = message.message >= WM_NCMOUSEMOVE && message.message <= WM_NCXBUTTONDBLCLK;
  bool systemKey = message.message >= WM_SYSKEYDOWN && message.message <= WM_SYSDEADCHAR;
  bool input = (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) ||
               (message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST) || caption;
  if (!input || message.hwnd == nullptr) {
    return false;
  }
  if ((caption || systemKey) && closeEndsProgram_()) {
    return false;
  }
  HWND main = mainWindow_();
  return main != nullptr && (message.hwnd == main || IsChild(main, message.hwnd));
}

}  // namespace solvane
