#pragma once

#include <cstdint>
#include <string>

#include "sim/writer_state.h"

namespace solvane {

// The build of the sensor board code a fresh writer carries.
inline constexpr uint32_t kOlderSensorBuild = 14000;

// A writer as it leaves the factory, with older firmware of the sim's own
// making everywhere: an X-Loader with the given version text ("5.00" gives
// "X-Loader 5.00 ("), older WiFi images, older sensor board code.
WriterState DefaultWriterState(const std::string& xLoaderVersion = "5.00");

}  // namespace solvane
