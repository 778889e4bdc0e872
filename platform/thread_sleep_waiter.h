#pragma once

#include "platform/waiter.h"

namespace solvane {

// Waits by putting the calling thread to sleep.
class ThreadSleepWaiter final : public Waiter {
 public:
  void Wait(uint32_t milliseconds) override;
};

}  // namespace solvane
