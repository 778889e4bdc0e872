#pragma once

#include <string_view>

#include "log/log_storage.h"

namespace solvane {

// The update log held open under an exclusive flock: every solvane-update
// honours it, so a second one cannot open the log while the first has it.
class LockedLogFile final : public LogFile {
 public:
  // Takes ownership of `fd`, an open and locked descriptor.
  explicit LockedLogFile(int fd) : fd_(fd) {}
  ~LockedLogFile() override;

  LockedLogFile(const LockedLogFile&) = delete;
  LockedLogFile& operator=(const LockedLogFile&) = delete;

  bool Write(std::string_view bytes) override;
  bool Flush() override;

 private:
  int fd_;
};

}  // namespace solvane
