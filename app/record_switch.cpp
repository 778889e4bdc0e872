#include "app/record_switch.h"

namespace solvane {

namespace {

std::string_view Trimmed(std::string_view text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) {
    return {};
  }
  return text.substr(begin, text.find_last_not_of(" \t") + 1 - begin);
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<std::string> RecordSwitchFile(std::string_view commandLine) {
  constexpr std::string_view kSwitch = "/record";
  std::string_view line = Trimmed(commandLine);
  if (line.size() <= kSwitch.size() || !SameIgnoringCase(line.substr(0, kSwitch.size()), kSwitch) ||
      (line[kSwitch.size()] != ' ' && line[kSwitch.size()] != '\t')) {
    return std::nullopt;
  }
  std::string_view file = Trimmed(line.substr(kSwitch.size()));
  if (file.size() >= 2 && file.front() == '"' && file.back() == '"') {
    file = file.substr(1, file.size() - 2);
  }
  if (file.empty() || file.find('"') != std::string_view::npos) {
    return std::nullopt;
  }
  return std::string(file);
}

}  // namespace solvane
