#include "app/win32/version_resource_reader.h"

#include <memory>
#include <new>

#include "platform/win32/windows_api.h"

namespace solvane {

bool VersionResourceReader::ReadProductVersion(uint32_t& mostSignificant,
                                               uint32_t& leastSignificant) const {
  char ownPath[MAX_PATH] = {};
  const char* path = file_.c_str();
  if (file_.empty()) {
    DWORD length = GetModuleFileNameA(nullptr, ownPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
      return false;  // no path, or one cut short
    }
    path = ownPath;
  }
  DWORD unused = 0;
  DWORD size = GetFileVersionInfoSizeA(path, &unused);
  if (size == 0) {
    return false;
  }
  std::unique_ptr<uint8_t[]> info(new (std::nothrow) uint8_t[size + 1]);
  if (!info || !GetFileVersionInfoA(path, 0, size, info.get())) {
    return false;
  }
  void* value = nullptr;
  UINT valueLength = 0;
  if (!VerQueryValueA(info.get(), "\\", &value, &valueLength) || value == nullptr ||
      valueLength < sizeof(VS_FIXEDFILEINFO)) {
    return false;
  }
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  mostSignificant = fixed->dwProductVersionMS;
  leastSignificant = fixed->dwProductVersionLS;
  return true;
}

}  // namespace solvane
