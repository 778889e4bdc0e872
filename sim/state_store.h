#pragma once

#include <optional>
#include <string>

#include "sim/writer_state.h"

namespace solvane {

// Keeps the writer's state in a folder: state.json for identity, pending
// installs, clock, files and display, and one binary file per flash, each of
// exactly the flash's size.
class StateStore {
 public:
  explicit StateStore(std::string folder) : folder_(std::move(folder)) {}

  // Empty when the folder holds no state yet. Throws on a damaged state, with a
  // message that names the file and the key or size that is wrong.
  std::optional<WriterState> Load() const;
  // Throws when the folder cannot be written.
  void Save(const WriterState& state) const;

 private:
  std::string folder_;
};

}  // namespace solvane
