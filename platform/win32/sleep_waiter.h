#pragma once

#include "platform/waiter.h"

namespace solvane {

// Waits with the Windows Sleep, as the program waits for the writer.
class SleepWaiter final : public Waiter {
 public:
  void Wait(uint32_t milliseconds) override;
};

}  // namespace solvane
