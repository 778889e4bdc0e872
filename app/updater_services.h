#pragma once

#include "app/product_version_reader.h"
#include "app/string_resources.h"
#include "device/device_access.h"
#include "log/log_storage.h"
#include "package/resource_source.h"
#include "platform/progress.h"
#include "platform/run_guard.h"
#include "platform/system_clock.h"
#include "platform/waiter.h"

namespace solvane {

// Everything the main dialog reaches outside itself, one seam each, so every
// step of an update runs in tests without a writer, a clock or a disk.
struct UpdaterServices {
  DeviceAccess& devices;
  Waiter& waiter;
  const SystemClock& clock;
  LogStorage& logStorage;
  const ResourceSource& resources;
  const ProductVersionReader& versionReader;
  const StringResources& strings;
  Progress& progress;
  RunGuard& runGuard = kNoRunGuard;
};

}  // namespace solvane
