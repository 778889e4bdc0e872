#pragma once

#include <ostream>
#include <string_view>

namespace solvane {

// The terminal output shared by the window and the progress bar: a bar is
// redrawn in place on its own line, and any other text starts below it.
class TerminalScreen {
 public:
  explicit TerminalScreen(std::ostream& out) : out_(out) {}

  // Writes `text` as it is.
  void Print(std::string_view text);
  // Draws `line` over the bar drawn last.
  void DrawBar(std::string_view line);
  // Leaves the bar as it stands; the next text goes below it.
  void EndBar();

 private:
  std::ostream& out_;
  bool barOpen_ = false;
};

}  // namespace solvane
