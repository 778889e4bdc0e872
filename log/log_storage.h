#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace solvane {

// The update log file while it is open: no other program can open it.
class LogFile {
 public:
  virtual ~LogFile() = default;
  // Writes all of `bytes` at the end of the file; false when any byte failed.
  virtual bool Write(std::string_view bytes) = 0;
  // Pushes what was written to the disk.
  virtual bool Flush() = 0;
};

// Where the update log lives: the user's documents folder and the file system.
class LogStorage {
 public:
  virtual ~LogStorage() = default;
  // The documents folder, which is never created; nothing when there is none.
  virtual std::optional<std::string> DocumentsFolder() const = 0;
  // Joins a folder and a file name the platform's way.
  virtual std::string Join(const std::string& folder, std::string_view fileName) const = 0;
  // Opens `path` for writing at its end, creating it when missing and keeping its
  // contents, shared with nobody; nothing when it cannot be opened (also when
  // another program holds it).
  virtual std::unique_ptr<LogFile> OpenUnshared(const std::string& path) = 0;
};

}  // namespace solvane
