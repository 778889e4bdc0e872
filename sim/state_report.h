#pragma once

#include <nlohmann/json.hpp>

#include "sim/writer_state.h"

namespace solvane {

// What each component of the writer holds, for people and for tests: versions,
// builds and pending installs, the X-Loader (version text, whether it starts),
// every region of the WiFi flash, the sensor board's code and the build it
// carries, the display's texts, with CRC registers of all flash contents.
nlohmann::json StateReport(const WriterState& state);

}  // namespace solvane
