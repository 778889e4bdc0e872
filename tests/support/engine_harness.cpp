#include "tests/support/engine_harness.h"

#include <algorithm>
#include <sstream>

#include "package/crc32.h"

namespace solvane::engine_test {

void TestResources::Replace(uint32_t id, std::string_view decoded) {
  const std::span bytes(reinterpret_cast<const uint8_t*>(decoded.data()), decoded.size());
  replacements_[id] = PackImageContainer(bytes);
  digests_[id] = {id, static_cast<uint32_t>(bytes.size()), Crc32Of(bytes.data(), bytes.size())};
}

void TestResources::Damage(uint32_t id) {
  const std::span<const uint8_t> container = *linked_.Find(id);
  std::vector<uint8_t>& damaged = replacements_[id];
  damaged.assign(container.begin(), container.end());
  damaged[4 + (damaged.size() - 4) / 2] ^= 0x55;
}

std::vector<std::string> Rig::LogLines() const {
  std::vector<std::string> lines;
  std::istringstream in(log.contents);
  for (std::string line; std::getline(in, line);) {
    size_t dash = line.find(" - ");
    lines.push_back(dash == std::string::npos ? line : line.substr(dash + 3));
  }
  return lines;
}

std::vector<uint16_t> Rig::Requests() const {
  std::vector<uint16_t> codes;
  for (const TranscriptEntry& entry : transcript.entries()) {
    if (entry.request) {
      codes.push_back(entry.code);
    }
  }
  return codes;
}

size_t Rig::Count(uint16_t code) const {
  std::vector<uint16_t> codes = Requests();
  return static_cast<size_t>(std::count(codes.begin(), codes.end(), code));
}

size_t Rig::Transfers(uint16_t code) const {
  return static_cast<size_t>(std::count_if(
      transcript.entries().begin(), transcript.entries().end(), [&](const TranscriptEntry& entry) {
        return entry.request && entry.code == code && entry.params[3] == 0;
      }));
}

}  // namespace solvane::engine_test
