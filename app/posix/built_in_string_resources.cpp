#include "app/posix/built_in_string_resources.h"

namespace solvane {

std::string BuiltInStringResources::Load(uint32_t id) const {
  switch (id) {
    case kAboutMenuString:
      return "&About Solvane Update...";
    case kApplicationNameString:
      return "Solvane Update";
    default:
      return "";
  }
}

}  // namespace solvane
