#include "tests/win32/test_support.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace solvane::test {

HMODULE ProductModule() {
  static HMODULE module = LoadLibraryExA(SOLVANE_TEST_PRODUCT_EXE, nullptr,
                                         LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  return module;
}

const char* ProductPath() {
  return SOLVANE_TEST_PRODUCT_EXE;
}

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return std::nullopt;
  }
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string ContainerPath(uint32_t id) {
  return std::string(SOLVANE_TEST_CONTAINER_DIR) + "/" + std::to_string(id) + ".lzari";
}

namespace {

struct TemporaryRoot {
  std::filesystem::path path;
  TemporaryRoot() {
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    path = std::filesystem::path(base) / ("solvane-test-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~TemporaryRoot() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

}  // namespace

std::string TemporaryFolder() {
  static TemporaryRoot root;
  static int count = 0;
  std::filesystem::path folder = root.path / std::to_string(++count);
  std::filesystem::create_directories(folder);
  return folder.string();
}

}  // namespace solvane::test
