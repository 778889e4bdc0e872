#include "platform/win32/sleep_waiter.h"

#include "platform/win32/windows_api.h"

namespace solvane {

void SleepWaiter::Wait(uint32_t milliseconds) {
  Sleep(milliseconds);
}

}  // namespace solvane
