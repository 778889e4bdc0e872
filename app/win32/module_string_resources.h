#pragma once

#include "app/string_resources.h"
#include "platform/win32/windows_api.h"

namespace solvane {

// The string table of a module, the program's own unless another is named,
// in the Windows ANSI code page.
class ModuleStringResources final : public StringResources {
 public:
  explicit ModuleStringResources(HMODULE module = nullptr) : module_(module) {}

  std::string Load(uint32_t id) const override;

 private:
  HMODULE module_;
};

}  // namespace solvane
