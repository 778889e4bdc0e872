#include "device/posix/device_folder.h"

#include <unistd.h>

#include <cstdlib>

namespace solvane {

std::string DeviceFolder(const std::string& interfaceClassText) {
  std::string base;
  if (const char* dir = std::getenv("SOLVANE_DEVICE_DIR"); dir != nullptr && *dir != 0) {
    base = dir;
  } else if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
             runtime != nullptr && *runtime != 0) {
    base = std::string(runtime) + "/solvane/devices";
  } else {
    base = "/tmp/solvane-" + std::to_string(getuid()) + "/devices";
  }
  return base + "/" + interfaceClassText;
}

}  // namespace solvane
