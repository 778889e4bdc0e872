#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace solvane {

struct TerminalButton {
  uint32_t commandId;
  std::string label;  // "&" marks the key that presses it
  bool isDefault;     // an empty line presses it
};

// What the terminal shows of a dialog template: its caption, its buttons from
// left to right and its text controls, each as the template has it.
struct TerminalDialogTemplate {
  std::string caption;
  std::vector<TerminalButton> buttons;
  std::vector<std::pair<uint32_t, std::string>> texts;
};

// The template `templateId`; an unknown one gets an OK button, so that it can
// still be closed.
TerminalDialogTemplate FindTerminalTemplate(uint32_t templateId);

}  // namespace solvane
