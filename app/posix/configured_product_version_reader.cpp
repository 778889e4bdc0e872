#include "app/posix/configured_product_version_reader.h"

#include "app/product_version.h"

namespace solvane {

bool ConfiguredProductVersionReader::ReadProductVersion(uint32_t& mostSignificant,
                                                        uint32_t& leastSignificant) const {
  mostSignificant = uint32_t{SOLVANE_PRODUCT_VERSION_A} << 16 | SOLVANE_PRODUCT_VERSION_B;
  leastSignificant = uint32_t{SOLVANE_PRODUCT_VERSION_C} << 16 | SOLVANE_PRODUCT_VERSION_D;
  return true;
}

}  // namespace solvane
