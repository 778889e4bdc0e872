#include "log/posix/posix_log_storage.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "log/posix/locked_log_file.h"

namespace solvane {

namespace {

// Only absolute folders count, as for every XDG folder variable; a relative one
// would put the log wherever the program happens to be started.
std::optional<std::string> AbsoluteFolder(const char* value) {
  if (value == nullptr || value[0] != '/') {
    return std::nullopt;
  }
  return std::string(value);
}

}  // namespace

std::optional<std::string> PosixLogStorage::DocumentsFolder() const {
  if (std::optional<std::string> documents = AbsoluteFolder(std::getenv("XDG_DOCUMENTS_DIR"))) {
    return documents;
  }
  if (std::optional<std::string> home = AbsoluteFolder(std::getenv("HOME"))) {
    return Join(*home, "Documents");
  }
  return std::nullopt;
}

std::string PosixLogStorage::Join(const std::string& folder, std::string_view fileName) const {
  std::string path = folder;
  if (path.empty() || path.back() != '/') {
    path += '/';
  }
  path += fileName;
  return path;
}

std::unique_ptr<LogFile> PosixLogStorage::OpenUnshared(const std::string& path) {
  // O_NONBLOCK so that a FIFO in the log's place cannot hang the program; only
  // a regular file is taken.
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) {
    return nullptr;
  }
  struct stat status;
  int flags = fcntl(fd, F_GETFL);
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0 ||
      fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 || flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<LockedLogFile>(fd);
}

}  // namespace solvane
