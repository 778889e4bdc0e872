#pragma once

#include <string>

#include "device/recording_sink.h"

namespace solvane {

// A recording in a file, created anew; each line is one write(2).
class FileRecordingSink final : public RecordingSink {
 public:
  explicit FileRecordingSink(const std::string& path);
  ~FileRecordingSink() override;
  FileRecordingSink(const FileRecordingSink&) = delete;
  FileRecordingSink& operator=(const FileRecordingSink&) = delete;

  bool opened() const { return fd_ >= 0; }
  void Append(std::string_view line) override;

 private:
  int fd_;
};

}  // namespace solvane
