#pragma once

#include <cstdint>

#include "platform/waiter.h"

namespace solvane {

// A waiter that only advances a counter: tests, benches, fuzzers and the
// in-process simulated writer share it, so restarts and pauses cost virtual
// time, not real time.
class VirtualClock final : public Waiter {
 public:
  void Wait(uint32_t milliseconds) override { nowMs_ += milliseconds; }
  void Advance(uint64_t milliseconds) { nowMs_ += milliseconds; }
  uint64_t NowMs() const { return nowMs_; }

 private:
  uint64_t nowMs_ = 0;
};

}  // namespace solvane
