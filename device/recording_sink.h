#pragma once

#include <string_view>

namespace solvane {

// Where a run's recording goes: one line at a time, handed to the system at
// once, so a crash or a pulled cable keeps every line before it.
class RecordingSink {
 public:
  virtual ~RecordingSink() = default;
  virtual void Append(std::string_view line) = 0;
};

}  // namespace solvane
