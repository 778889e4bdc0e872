#pragma once

#include <memory>
#include <string>

#include "app/updater_services.h"
#include "app/win32/module_string_resources.h"
#include "app/win32/version_resource_reader.h"
#include "package/win32/rcdata_resource_source.h"
#include "tests/support/memory_log_storage.h"
#include "tests/support/no_writers.h"
#include "tests/support/virtual_clock.h"
#include "tests/win32/test_support.h"

namespace solvane::test {

// A clock that stands still, in a zone without daylight saving.
class StillClock final : public SystemClock {
 public:
  int64_t now = 1700000000;
  int64_t Now() const override { return now; }
  std::tm LocalTime(int64_t time) const override {
    std::time_t value = static_cast<std::time_t>(time);
    std::tm local{};
    gmtime_s(&local, &value);
    return local;
  }
  TimeZoneBiases TimeZone() const override { return {}; }
};

// The main dialog's services: no writer, the log in memory, and the strings,
// version and images of SolvaneUpdate.exe.
struct TestServices {
  NoWriters devices;
  VirtualClock waiter;
  StillClock clock;
  MemoryLogStorage log;
  RcdataResourceSource resources{ProductModule()};
  VersionResourceReader version{ProductPath()};
  ModuleStringResources strings{ProductModule()};
  NoProgress progress;

  UpdaterServices With(const SystemClock& someClock) {
    return {devices, waiter, someClock, log, resources, version, strings, progress};
  }
  UpdaterServices All() { return With(clock); }
};

}  // namespace solvane::test
