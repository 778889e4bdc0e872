#include "log/win32/shell_log_storage.h"

#include <shlobj.h>

#include "log/win32/handle_log_file.h"

namespace solvane {

std::optional<std::string> ShellLogStorage::DocumentsFolder() const {
  char path[MAX_PATH] = {};
  if (!api_.SHGetSpecialFolderPathA(nullptr, path, CSIDL_PERSONAL, FALSE)) {
    return std::nullopt;
  }
  return std::string(path);
}

std::string ShellLogStorage::Join(const std::string& folder, std::string_view fileName) const {
  std::string path = folder;
  path += '\\';
  path += fileName;
  return path;
}

std::unique_ptr<LogFile> ShellLogStorage::OpenUnshared(const std::string& path) {
  HANDLE file = api_.CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return nullptr;
  }
  auto log = std::make_unique<HandleLogFile>(api_, file);
  // A log that cannot be put at its end would overwrite the earlier runs.
  LARGE_INTEGER start{};
  if (!api_.SetFilePointerEx(file, start, nullptr, FILE_END)) {
    return nullptr;
  }
  return log;
}

}  // namespace solvane
