#pragma once

#include "log/log_storage.h"
#include "platform/win32/file_api.h"

namespace solvane {

// The open update log: one unbuffered Windows file handle, closed with the object.
class HandleLogFile final : public LogFile {
 public:
  HandleLogFile(FileApi& api, HANDLE handle) : api_(api), handle_(handle) {}
  ~HandleLogFile() override;

  HandleLogFile(const HandleLogFile&) = delete;
  HandleLogFile& operator=(const HandleLogFile&) = delete;

  bool Write(std::string_view bytes) override;
  bool Flush() override;

 private:
  FileApi& api_;
  HANDLE handle_;
};

}  // namespace solvane
