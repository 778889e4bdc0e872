#pragma once

#include <string>
#include <vector>

#include "platform/message_boxes.h"

namespace solvane::sim_test {

// Answers every box with OK and keeps its text.
class RecordingMessageBoxes final : public MessageBoxes {
 public:
  int Show(std::string_view text, std::string_view /*caption*/, uint32_t /*style*/) override {
    texts.emplace_back(text);
    return kIdOk;
  }
  int ShowApplication(std::string_view text, uint32_t /*style*/) override {
    texts.emplace_back(text);
    return kIdOk;
  }

  std::vector<std::string> texts;
};

}  // namespace solvane::sim_test
