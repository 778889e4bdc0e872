#pragma once

#include <cstdint>
#include <vector>

#include "package/catalogue.h"

namespace solvane {

struct SentImage {
  uint32_t id;
  uint32_t slack;  // as the procedure that sends it loads it
};

// The images of `row` that an update may send: application, boot, X-Loader,
// sensor board and both WiFi images, those of id 0 left out. The fonts and the
// bitmap are never sent.
std::vector<SentImage> SentImages(const CatalogueEntry& row);

}  // namespace solvane
