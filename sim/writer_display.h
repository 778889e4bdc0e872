#pragma once

#include <string>
#include <vector>

namespace solvane {

// The writer's display: the text it shows now and every text it has shown.
class WriterDisplay {
 public:
  WriterDisplay() = default;
  WriterDisplay(std::string current, std::vector<std::string> history)
      : current_(std::move(current)), history_(std::move(history)) {}

  // An empty text clears the display.
  void Show(const std::string& text);

  const std::string& current() const { return current_; }
  const std::vector<std::string>& history() const { return history_; }

 private:
  std::string current_;
  std::vector<std::string> history_;
};

}  // namespace solvane
