#pragma once

#include <functional>

namespace solvane {

// Makes a call and returns once it has returned; where the call is made is the
// runner's business (on Windows, a helper thread, while the window stays alive).
class CallRunner {
 public:
  virtual ~CallRunner() = default;
  virtual void Run(const std::function<void()>& call) = 0;
};

}  // namespace solvane
