#pragma once

#include <cstdint>

#include "platform/win32/windows_api.h"

namespace solvane {

// The calls a pumping wait makes, so tests can run it on virtual time.
class MessagePump {
 public:
  virtual ~MessagePump() = default;
  // Milliseconds on a clock that only goes forward.
  virtual uint64_t NowMs() = 0;
  // Waits until `event` (may be null) is set, a message arrives or
  // `milliseconds` have passed; true only for the event.
  virtual bool WaitForEventOrMessage(HANDLE event, uint32_t milliseconds) = 0;
  // Handles every message waiting for the thread.
  virtual void Pump() = 0;
};

}  // namespace solvane
