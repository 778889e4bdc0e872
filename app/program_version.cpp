#include "app/program_version.h"

#include <cstdio>

namespace solvane {

void FormatBuildString(const ProductVersionReader& reader, std::string& buildString) {
  uint32_t mostSignificant = 0;
  uint32_t leastSignificant = 0;
  reader.ReadProductVersion(mostSignificant, leastSignificant);
  unsigned long build = mostSignificant & 0xFFFF;
  unsigned long third = leastSignificant >> 16;
  unsigned long beta = leastSignificant & 0xFFFF;

  char text[64];
  if (beta != 0) {
    std::snprintf(text, sizeof(text), "%lu Beta %lu", build, beta);
  } else if (third != 0) {
    std::snprintf(text, sizeof(text), "%lu.%lu.%lu", build, third, beta);
  } else {
    std::snprintf(text, sizeof(text), "%lu", build);
  }
  buildString = text;
}

}  // namespace solvane
