#include "update/sent_images.h"

#include "package/embedded_image.h"

namespace solvane {

std::vector<SentImage> SentImages(const CatalogueEntry& row) {
  const SentImage all[] = {
      {row.applicationImage, kApplicationImageSlack},
      {row.bootImage, kImageSlack},
      {row.xLoaderImage, kImageSlack},
      {row.sensorBoardImage, kImageSlack},
      {row.wifiApplicationImage, kImageSlack},
      {row.wifiNvsImage, kImageSlack},
  };
  std::vector<SentImage> sent;
  for (const SentImage& image : all) {
    if (image.id != 0) {
      sent.push_back(image);
    }
  }
  return sent;
}

}  // namespace solvane
