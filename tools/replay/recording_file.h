#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace solvane {

// One line of a recording after its header: a call and its line number.
struct RecordedLine {
  size_t number;
  nlohmann::ordered_json fields;
  std::string call() const { return fields.value("call", ""); }
};

struct Recording {
  nlohmann::ordered_json header;
  std::vector<RecordedLine> lines;
};

// Reads a recording; nothing, with `error` saying why, when it is not one of
// this version.
std::optional<Recording> ReadRecording(const std::string& path, std::string& error);

}  // namespace solvane
