#include "update/message_text.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace solvane {

std::string FormatText(size_t bufferSize, const char* format, ...) {
  std::vector<char> buffer(bufferSize);
  va_list arguments;
  va_start(arguments, format);
  int length = std::vsnprintf(buffer.data(), bufferSize, format, arguments);
  va_end(arguments);
  if (length < 0) {
    return {};
  }
  return std::string(buffer.data(), std::min<size_t>(length, bufferSize - 1));
}

std::string ProgramErrorText(size_t bufferSize, uint32_t result) {
  return FormatText(bufferSize, "Unable to program your writer.  Error Code %d",
                    static_cast<int>(result));
}

std::string ImproperMachineText(size_t bufferSize, const char* modelName) {
  return FormatText(bufferSize, "Improper Machine Type.  This update is not for %s!", modelName);
}

}  // namespace solvane
