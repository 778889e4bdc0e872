#pragma once

#include <nlohmann/json.hpp>

#include "sim/writer_state.h"

namespace solvane {

// What each component of the writer holds, for people and for tests: versions
// and builds, the X-Loader's version text, and CRC registers of the flashes.
nlohmann::json StateReport(const WriterState& state);

}  // namespace solvane
