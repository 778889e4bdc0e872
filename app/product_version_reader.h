#pragma once

#include <cstdint>

namespace solvane {

// Reads the product version of the running program: the version resource of its
// own file on Windows, the version the build was configured with elsewhere.
class ProductVersionReader {
 public:
  virtual ~ProductVersionReader() = default;
  // On success stores the most and least significant double words of the
  // product version a.b.c.d (a:b and c:d) and returns true; on failure leaves
  // both as they were and returns false.
  virtual bool ReadProductVersion(uint32_t& mostSignificant, uint32_t& leastSignificant) const = 0;
};

}  // namespace solvane
