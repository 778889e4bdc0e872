#include "tools/replay/recording_file.h"

#include <fstream>

#include "device/run_recorder.h"

namespace solvane {

std::optional<Recording> ReadRecording(const std::string& path, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot read '" + path + "'";
    return std::nullopt;
  }
  Recording recording;
  std::string text;
  for (size_t number = 1; std::getline(in, text); ++number) {
    nlohmann::ordered_json fields = nlohmann::ordered_json::parse(text, nullptr, false);
    if (!fields.is_object()) {
      error = path + ":" + std::to_string(number) + ": not a JSON object";
      return std::nullopt;
    }
    if (number == 1) {
      if (fields.value("recording", "") != "solvane" ||
          fields.value("version", 0) != kRecordingVersion ||
          fields.value("view", "") != "program") {
        error =
            path + ": not a program's recording of version " + std::to_string(kRecordingVersion);
        return std::nullopt;
      }
      recording.header = fields;
    } else {
      recording.lines.push_back({number, fields});
    }
  }
  if (recording.header.is_null()) {
    error = path + ": empty";
    return std::nullopt;
  }
  return recording;
}

}  // namespace solvane
