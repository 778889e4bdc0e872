// solvane-update on Linux, until the update engine is in place: shows the
// product, its machine catalogue and the firmware images it carries.
#include <cstdio>
#include <string>

#include "app/posix/configured_product_version_reader.h"
#include "app/program_version.h"
#include "package/catalogue.h"
#include "package/crc32.h"
#include "package/embedded_image.h"
#include "package/posix/image_contents.h"
#include "package/posix/linked_images.h"
#include "package/posix/linked_resource_source.h"

namespace solvane {
namespace {

std::string VersionText(uint32_t versionWord) {
  char text[32];
  std::snprintf(text, sizeof(text), "%X.%02X.%02X", versionWord >> 24, (versionWord >> 16) & 0xFF,
                (versionWord >> 8) & 0xFF);
  return text;
}

void ShowCatalogue() {
  std::printf("Machine catalogue\n");
  for (uint32_t type = 0; type < kCatalogueSize; ++type) {
    const CatalogueEntry& row = CatalogueRow(type);
    std::printf("  %2u  %s\n", type, ModelName(type));
    if (row.applicationImage == 0) {
      continue;
    }
    std::printf("        boot %s build %u, application %s build %u\n",
                VersionText(row.bootVersion).c_str(), row.bootBuild,
                VersionText(row.applicationVersion).c_str(), row.applicationBuild);
    std::printf(
        "        images: application %u, boot %u, X-Loader %u, sensor board %u (below build %u),"
        " WiFi %u/%u, fonts %u/%u, bitmap %u\n",
        row.applicationImage, row.bootImage, row.xLoaderImage, row.sensorBoardImage,
        row.sensorBoardMinimumBuild, row.wifiApplicationImage, row.wifiNvsImage, row.firstFontImage,
        row.secondFontImage, row.displayBitmapImage);
  }
}

bool ShowImages() {
  std::printf("\nEmbedded images\n  %5s %9s %9s  %-10s  %s\n", "id", "stored", "decoded", "CRC",
              "content");
  const LinkedResourceSource resources;
  bool allLoaded = true;
  for (const LinkedImage& linked : LinkedImages()) {
    EmbeddedImage image;
    if (LoadEmbeddedImage(resources, linked.id, kApplicationImageSlack, image) !=
        ImageLoadStatus::kOk) {
      std::printf("  %5u %9zu  (does not load)\n", linked.id, linked.container.size());
      allLoaded = false;
      continue;
    }
    std::printf("  %5u %9zu %9u  0x%08X  %s\n", linked.id, linked.container.size(), image.length,
                Crc32Of(image.data.get(), image.length), ImageContent(linked.id));
  }
  return allLoaded;
}

}  // namespace
}  // namespace solvane

int main() {
  std::string build;
  solvane::FormatBuildString(solvane::ConfiguredProductVersionReader(), build);
  std::printf("Solvane Update, build %s\n\n", build.c_str());
  solvane::ShowCatalogue();
  return solvane::ShowImages() ? 0 : 1;
}
