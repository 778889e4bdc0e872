#include "app/posix/terminal_screen.h"

namespace solvane {

void TerminalScreen::Print(std::string_view text) {
  EndBar();
  out_ << text;
  out_.flush();
}

void TerminalScreen::DrawBar(std::string_view line) {
  out_ << '\r' << line;
  out_.flush();
  barOpen_ = true;
}

void TerminalScreen::EndBar() {
  if (barOpen_) {
    out_ << '\n';
    barOpen_ = false;
  }
}

}  // namespace solvane
