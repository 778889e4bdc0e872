#include "log/win32/handle_log_file.h"

#include <algorithm>
#include <limits>

namespace solvane {

HandleLogFile::~HandleLogFile() {
  api_.CloseHandle(handle_);
}

bool HandleLogFile::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD part =
        static_cast<DWORD>(std::min<size_t>(bytes.size(), std::numeric_limits<DWORD>::max()));
    DWORD written = 0;
    if (!api_.WriteFile(handle_, bytes.data(), part, &written, nullptr) || written == 0) {
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

bool HandleLogFile::Flush() {
  return api_.FlushFileBuffers(handle_) != FALSE;
}

}  // namespace solvane
