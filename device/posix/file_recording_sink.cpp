#include "device/posix/file_recording_sink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace solvane {

FileRecordingSink::FileRecordingSink(const std::string& path)
    : fd_(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600)) {}

FileRecordingSink::~FileRecordingSink() {
  if (fd_ >= 0) {
    close(fd_);
  }
}

void FileRecordingSink::Append(std::string_view line) {
  std::string text(line);
  text += '\n';
  const char* next = text.data();
  size_t left = text.size();
  while (fd_ >= 0 && left > 0) {
    ssize_t done = write(fd_, next, left);
    if (done < 0 && errno == EINTR) {
      continue;
    }
    if (done <= 0) {
      return;  // a full disk loses the recording, never the update
    }
    next += done;
    left -= static_cast<size_t>(done);
  }
}

}  // namespace solvane
