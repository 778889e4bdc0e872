#pragma once

#include <windows.h>

#include <string>

#include "device/recording_sink.h"

namespace solvane {

// A recording in a file, created anew; each line is one WriteFile on an
// unbuffered handle.
class FileRecordingSink final : public RecordingSink {
 public:
  explicit FileRecordingSink(const std::string& path);
  ~FileRecordingSink() override;
  FileRecordingSink(const FileRecordingSink&) = delete;
  FileRecordingSink& operator=(const FileRecordingSink&) = delete;

  bool opened() const { return file_ != INVALID_HANDLE_VALUE; }
  void Append(std::string_view line) override;

 private:
  HANDLE file_;
};

}  // namespace solvane
