#pragma once

#include <optional>
#include <string>

#include "sim/writer_state.h"

namespace solvane {

// Keeps the writer's state in a folder: state.json for identity, builds, clock
// and files, and one binary file per flash.
class StateStore {
 public:
  explicit StateStore(std::string folder) : folder_(std::move(folder)) {}

  // Empty when the folder holds no state yet. Throws on a damaged state.
  std::optional<WriterState> Load() const;
  // Throws when the folder cannot be written.
  void Save(const WriterState& state) const;

 private:
  std::string folder_;
};

}  // namespace solvane
