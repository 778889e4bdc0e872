#include "sim/writer_display.h"

namespace solvane {

void WriterDisplay::Show(const std::string& text) {
  current_ = text;
  if (!text.empty()) {
    history_.push_back(text);
  }
}

}  // namespace solvane
