#pragma once

#include <string>
#include <vector>

#include "platform/message_boxes.h"

namespace solvane {

// Answers every box with OK and keeps its text and style; where nobody looks
// at them, they are the silent boxes.
class RecordingMessageBoxes final : public MessageBoxes {
 public:
  struct Box {
    std::string text;
    uint32_t style;
  };
  std::vector<Box> shown;

  int Show(std::string_view text, std::string_view, uint32_t style) override {
    shown.push_back({std::string(text), style});
    return kIdOk;
  }
  int ShowApplication(std::string_view text, uint32_t style) override {
    shown.push_back({std::string(text), style});
    return kIdOk;
  }
};

}  // namespace solvane
