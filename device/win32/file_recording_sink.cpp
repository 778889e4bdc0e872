#include "device/win32/file_recording_sink.h"

namespace solvane {

FileRecordingSink::FileRecordingSink(const std::string& path)
    : file_(CreateFileA(path.c_str(),
                        GENERIC_WRITE,
                        FILE_SHARE_READ,
                        nullptr,
                        CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL,
                        nullptr)) {}

FileRecordingSink::~FileRecordingSink() {
  if (opened()) {
    CloseHandle(file_);
  }
}

void FileRecordingSink::Append(std::string_view line) {
  std::string text(line);
  text += '\n';
  DWORD written = 0;
  if (opened()) {
    // A full disk loses the recording, never the update.
    WriteFile(file_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
}

}  // namespace solvane
