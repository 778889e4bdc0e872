#include "app/win32/module_string_resources.h"

namespace solvane {

std::string ModuleStringResources::Load(uint32_t id) const {
  // With no buffer, LoadStringW gives the resource's own text in place, so a
  // string of any length converts whole.
  const wchar_t* text = nullptr;
  int length = LoadStringW(module_, id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || text == nullptr) {
    return {};
  }
  int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string converted(static_cast<size_t>(size > 0 ? size : 0), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, length, converted.data(), size, nullptr, nullptr);
  return converted;
}

}  // namespace solvane
