#pragma once

#include <string>

#include "app/product_version_reader.h"

namespace solvane {

// The program's build as text: "35675" for 1.35675.0.0, "35675 Beta 2" for
// 1.35675.0.2, "35675.1.0" for 1.35675.1.0, "0" when the version cannot be read.
void FormatBuildString(const ProductVersionReader& reader, std::string& buildString);

}  // namespace solvane
