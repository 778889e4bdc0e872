#pragma once

#include "device/run_recorder.h"
#include "log/log_storage.h"

namespace solvane {

// The update log's storage, whose opening and writes are recorded.
class RecordingLogStorage final : public LogStorage {
 public:
  RecordingLogStorage(LogStorage& storage, RunRecorder& recorder)
      : storage_(storage), recorder_(recorder) {}

  std::optional<std::string> DocumentsFolder() const override { return storage_.DocumentsFolder(); }
  std::string Join(const std::string& folder, std::string_view fileName) const override {
    return storage_.Join(folder, fileName);
  }
  std::unique_ptr<LogFile> OpenUnshared(const std::string& path) override;

 private:
  LogStorage& storage_;
  RunRecorder& recorder_;
};

}  // namespace solvane
