#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace solvane {

// The makers of the individual images behind GenerateImage.

// Application (component 1) or boot code (component 2) with its FirmwareHeader.
std::vector<uint8_t> MakeWriterCode(uint32_t component,
                                    uint32_t versionWord,
                                    uint32_t build,
                                    size_t size);
std::vector<uint8_t> MakeXLoader();
std::vector<uint8_t> MakeWifiApplication();
std::vector<uint8_t> MakeWifiNvs();
std::vector<uint8_t> MakeDisplayBitmap();
std::vector<uint8_t> MakeFont(uint64_t seed,
                              uint32_t glyphWidth,
                              uint32_t glyphHeight,
                              size_t size);
std::vector<uint8_t> MakeSensorBoardHex();

}  // namespace solvane
