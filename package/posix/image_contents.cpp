#include "package/posix/image_contents.h"

namespace solvane {

const char* ImageContent(uint32_t id) {
  switch (id) {
    case 169:
      return "application code";
    case 170:
      return "boot code";
    case 171:
      return "display bitmap, 800 x 480 x 16";
    case 172:
      return "first display font";
    case 173:
      return "second display font";
    case 174:
      return "sensor board, Intel HEX text";
    case 189:
      return "X-Loader";
    case 190:
      return "WiFi application image";
    case 191:
      return "WiFi NVS partition";
    default:
      return "unknown image";
  }
}

}  // namespace solvane
