#include "log/posix/locked_log_file.h"

#include <unistd.h>

#include <cerrno>

namespace solvane {

// Closing the descriptor also releases the lock.
LockedLogFile::~LockedLogFile() {
  close(fd_);
}

bool LockedLogFile::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t written = write(fd_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

bool LockedLogFile::Flush() {
  return fsync(fd_) == 0;
}

}  // namespace solvane
