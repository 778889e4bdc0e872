#include "platform/win32/pumping_wait.h"

namespace solvane {

bool PumpingWait::WaitFor(HANDLE event, uint32_t milliseconds) {
  const uint64_t deadline = pump_.NowMs() + milliseconds;
  for (;;) {
    uint64_t now = pump_.NowMs();
    uint32_t remaining = now < deadline ? static_cast<uint32_t>(deadline - now) : 0;
    if (pump_.WaitForEventOrMessage(event, remaining)) {
      return true;
    }
    pump_.Pump();
    if (remaining == 0 || pump_.NowMs() >= deadline) {
      return false;
    }
  }
}

}  // namespace solvane
