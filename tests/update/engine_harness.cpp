#include "tests/update/engine_harness.h"

#include <algorithm>
#include <sstream>

namespace solvane::engine_test {

std::vector<std::string> Engine::LogLines() const {
  std::vector<std::string> lines;
  std::istringstream in(log.contents);
  for (std::string line; std::getline(in, line);) {
    size_t dash = line.find(" - ");
    lines.push_back(dash == std::string::npos ? line : line.substr(dash + 3));
  }
  return lines;
}

std::vector<uint16_t> Engine::Requests() const {
  std::vector<uint16_t> codes;
  for (const TranscriptEntry& entry : transcript.entries()) {
    if (entry.request) {
      codes.push_back(entry.code);
    }
  }
  return codes;
}

size_t Engine::Count(uint16_t code) const {
  std::vector<uint16_t> codes = Requests();
  return static_cast<size_t>(std::count(codes.begin(), codes.end(), code));
}

size_t Engine::Transfers(uint16_t code) const {
  return static_cast<size_t>(std::count_if(
      transcript.entries().begin(), transcript.entries().end(), [&](const TranscriptEntry& entry) {
        return entry.request && entry.code == code && entry.params[3] == 0;
      }));
}

}  // namespace solvane::engine_test
