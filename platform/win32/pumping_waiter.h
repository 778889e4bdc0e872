#pragma once

#include "platform/waiter.h"
#include "platform/win32/pumping_wait.h"

namespace solvane {

// The program's waits on Windows: the window stays alive while they last.
class PumpingWaiter final : public Waiter {
 public:
  explicit PumpingWaiter(PumpingWait& wait) : wait_(wait) {}

  void Wait(uint32_t milliseconds) override { wait_.WaitFor(nullptr, milliseconds); }
  void KeepAlive() override { wait_.pump().Pump(); }

 private:
  PumpingWait& wait_;
};

}  // namespace solvane
