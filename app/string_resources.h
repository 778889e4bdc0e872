#pragma once

#include <cstdint>
#include <string>

namespace solvane {

inline constexpr uint32_t kAboutMenuString = 101;
inline constexpr uint32_t kApplicationNameString = 57344;

// The program's string resources; an empty text for a missing one.
class StringResources {
 public:
  virtual ~StringResources() = default;
  virtual std::string Load(uint32_t id) const = 0;
};

}  // namespace solvane
