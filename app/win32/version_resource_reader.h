#pragma once

#include <string>

#include "app/product_version_reader.h"

namespace solvane {

// The product version from the version resource of a file: the running
// program's own unless another is named.
class VersionResourceReader final : public ProductVersionReader {
 public:
  explicit VersionResourceReader(std::string file = {}) : file_(std::move(file)) {}

  bool ReadProductVersion(uint32_t& mostSignificant, uint32_t& leastSignificant) const override;

 private:
  std::string file_;
};

}  // namespace solvane
