#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "device/run_recorder.h"

namespace solvane {

// Writes each call as a recording line and keeps the last, so a call made in a
// replay compares with the recorded one field by field.
class CallFormatter final : private RecordingSink {
 public:
  CallFormatter(const ResourceSource& resources, std::string_view program)
      : recorder(
            *this,
            [] { return uint64_t{0}; },
            resources,
            program) {}

  nlohmann::ordered_json Last() const { return nlohmann::ordered_json::parse(last_); }

 private:
  void Append(std::string_view line) override { last_ = line; }
  std::string last_;  // before the recorder, which may write as it starts

 public:
  RunRecorder recorder;
};

}  // namespace solvane
