#pragma once

#include "app/string_resources.h"

namespace solvane {

// The program's string resources, built in: Linux programs carry no resource table.
class BuiltInStringResources final : public StringResources {
 public:
  std::string Load(uint32_t id) const override;
};

}  // namespace solvane
