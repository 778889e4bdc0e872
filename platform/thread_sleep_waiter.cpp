#include "platform/thread_sleep_waiter.h"

#include <chrono>
#include <thread>

namespace solvane {

void ThreadSleepWaiter::Wait(uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace solvane
