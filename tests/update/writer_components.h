#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/writer_state.h"

namespace solvane::engine_test {

// The six firmware components an update brings up to date.
enum class Component { kSensorBoard, kWifiApp, kWifiNvs, kXLoader, kBootCode, kApplicationCode };
inline constexpr std::array<Component, 6> kComponents = {
    Component::kSensorBoard, Component::kWifiApp,  Component::kWifiNvs,
    Component::kXLoader,     Component::kBootCode, Component::kApplicationCode};

// What a component holds compared with the writer before the run and with the
// image the program carries. Boot and application code count as held once they
// are pending the writer's next restart.
enum class Holding { kOld, kCarried, kDamaged };

const char* NameOf(Component component);
const char* NameOf(Holding holding);

// The log line that says the run sent `component` (the start of the line).
const char* SendingLinePrefix(Component component);

Holding HoldingOf(Component component, const WriterState& now, const WriterState& before);

// Memory no update may change: the sensor board's own loader and the WiFi flash
// outside the two partitions.
bool ProtectedMemoryKept(const WriterState& now, const WriterState& before);

}  // namespace solvane::engine_test
