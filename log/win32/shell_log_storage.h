#pragma once

#include "log/log_storage.h"
#include "platform/win32/file_api.h"

namespace solvane {

// The update log on Windows: the shell's personal documents folder and a file
// that nobody else may open while the log is open.
class ShellLogStorage final : public LogStorage {
 public:
  explicit ShellLogStorage(FileApi& api) : api_(api) {}

  std::optional<std::string> DocumentsFolder() const override;
  std::string Join(const std::string& folder, std::string_view fileName) const override;
  std::unique_ptr<LogFile> OpenUnshared(const std::string& path) override;

 private:
  FileApi& api_;
};

}  // namespace solvane
