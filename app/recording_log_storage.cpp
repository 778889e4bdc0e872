#include "app/recording_log_storage.h"

namespace solvane {

namespace {

class RecordingLogFile final : public LogFile {
 public:
  RecordingLogFile(std::unique_ptr<LogFile> file, RunRecorder& recorder)
      : file_(std::move(file)), recorder_(recorder) {}

  bool Write(std::string_view bytes) override {
    bool written = file_->Write(bytes);
    recorder_.LogWrite(bytes, written);
    return written;
  }
  bool Flush() override { return file_->Flush(); }

 private:
  std::unique_ptr<LogFile> file_;
  RunRecorder& recorder_;
};

}  // namespace

std::unique_ptr<LogFile> RecordingLogStorage::OpenUnshared(const std::string& path) {
  std::unique_ptr<LogFile> file = storage_.OpenUnshared(path);
  recorder_.LogOpen(file != nullptr);
  if (!file) {
    return nullptr;
  }
  return std::make_unique<RecordingLogFile>(std::move(file), recorder_);
}

}  // namespace solvane
