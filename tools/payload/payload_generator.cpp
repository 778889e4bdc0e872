#include "tools/payload/payload_generator.h"

#include "sim/firmware_header.h"
#include "tools/payload/image_makers.h"

namespace solvane {

std::vector<uint8_t> GenerateImage(uint32_t id) {
  switch (id) {
    case 169:
      return MakeWriterCode(FirmwareHeader::kApplication, 0x02000000, 35675, 3580492);
    case 170:
      return MakeWriterCode(FirmwareHeader::kBoot, 0x01000000, 35673, 475388);
    case 171:
      return MakeDisplayBitmap();
    case 172:
      return MakeFont(0xF0172ULL, 24, 32, 496448);
    case 173:
      return MakeFont(0xF0173ULL, 32, 30, 505152);
    case 174:
      return MakeSensorBoardHex();
    case 189:
      return MakeXLoader();
    case 190:
      return MakeWifiApplication();
    case 191:
      return MakeWifiNvs();
    default:
      return {};
  }
}

}  // namespace solvane
