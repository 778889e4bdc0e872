#pragma once

#include "app/product_version_reader.h"

namespace solvane {

// The product version the build was configured with.
class ConfiguredProductVersionReader final : public ProductVersionReader {
 public:
  bool ReadProductVersion(uint32_t& mostSignificant, uint32_t& leastSignificant) const override;
};

}  // namespace solvane
