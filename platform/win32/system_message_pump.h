#pragma once

#include <functional>

#include "platform/win32/message_pump.h"

namespace solvane {

// The thread's messages during a run: paint, timers and sent messages are
// handled; mouse and keyboard input for the main window and its controls is
// dropped, so nothing the user does reaches the dialog until the run ends.
// While closing the window ends the program (after a hang), the close box and
// Alt+F4 are let through: the caption's mouse messages and the system keys.
class SystemMessagePump final : public MessagePump {
 public:
  SystemMessagePump(std::function<HWND()> mainWindow, std::function<bool()> closeEndsProgram)
      : mainWindow_(std::move(mainWindow)), closeEndsProgram_(std::move(closeEndsProgram)) {}

  uint64_t NowMs() override;
  bool WaitForEventOrMessage(HANDLE event, uint32_t milliseconds) override;
  void Pump() override;

 private:
  bool IsInputForMainWindow(const MSG& message) const;

  std::function<HWND()> mainWindow_;
  std::function<bool()> closeEndsProgram_;
};

}  // namespace solvane
