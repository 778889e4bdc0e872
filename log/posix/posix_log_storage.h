#pragma once

#include "log/log_storage.h"

namespace solvane {

// The update log on Linux: the documents folder is $XDG_DOCUMENTS_DIR, else
// $HOME/Documents; the log file is opened for appending under an exclusive lock.
class PosixLogStorage final : public LogStorage {
 public:
  std::optional<std::string> DocumentsFolder() const override;
  std::string Join(const std::string& folder, std::string_view fileName) const override;
  std::unique_ptr<LogFile> OpenUnshared(const std::string& path) override;
};

}  // namespace solvane
