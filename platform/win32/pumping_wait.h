#pragma once

#include "platform/win32/message_pump.h"

namespace solvane {

// A wait that keeps the window alive: it handles the thread's messages until
// its event is set or its time is up. The deadline is taken when the wait
// starts, however many messages arrive.
class PumpingWait {
 public:
  explicit PumpingWait(MessagePump& pump) : pump_(pump) {}

  // True when `event` was set within `milliseconds`; a null event waits the
  // whole time.
  bool WaitFor(HANDLE event, uint32_t milliseconds);
  MessagePump& pump() { return pump_; }

 private:
  MessagePump& pump_;
};

}  // namespace solvane
