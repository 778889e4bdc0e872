#pragma once

#include <functional>

#include "platform/win32/message_pump.h"

namespace solvane {

// The thread's messages during a run: paint, timers and sent messages are
// handled; mouse and keyboard input for the main window and its controls is
// dropped, so nothing the user does reaches the dialog until the run ends.
class SystemMessagePump final : public MessagePump {
 public:
  explicit SystemMessagePump(std::function<HWND()> mainWindow)
      : mainWindow_(std::move(mainWindow)) {}

  uint64_t NowMs() override;
  bool WaitForEventOrMessage(HANDLE event, uint32_t milliseconds) override;
  void Pump() override;

 private:
  bool IsInputForMainWindow(const MSG& message) const;

  std::function<HWND()> mainWindow_;
};

}  // namespace solvane
