#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/windows_api.h"

namespace solvane::test {

// SolvaneUpdate.exe of this build, loaded for its resources only.
HMODULE ProductModule();
// Its path, as wine names it.
const char* ProductPath();
// The bytes of a file, nothing when it cannot be read.
std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path);
// The native build's image container `id`.
std::string ContainerPath(uint32_t id);
// A fresh, empty folder for one test; removed when the process ends.
std::string TemporaryFolder();

}  // namespace solvane::test
