#pragma once

#include <cstdint>

namespace solvane {

// Blocking waits. The program waits for the writer (before closing the link,
// while it restarts, between sensor board steps); tests pass a virtual waiter so
// that no test sleeps for real.
class Waiter {
 public:
  virtual ~Waiter() = default;
  virtual void Wait(uint32_t milliseconds) = 0;
  // Lets the front end handle what is waiting for it (the Windows waiter
  // pumps the window's messages); no time passes.
  virtual void KeepAlive() {}
};

}  // namespace solvane
