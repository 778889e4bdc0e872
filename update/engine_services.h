#pragma once

#include "device/device_access.h"
#include "log/log_storage.h"
#include "package/resource_source.h"
#include "platform/progress.h"
#include "platform/run_guard.h"
#include "platform/system_clock.h"
#include "platform/waiter.h"

namespace solvane {

// What the update run reaches outside the dialog, one seam each.
struct EngineServices {
  DeviceAccess& devices;
  Waiter& waiter;
  const SystemClock& clock;
  LogStorage& logStorage;
  const ResourceSource& resources;
  Progress& progress;
  RunGuard& runGuard;
};

}  // namespace solvane
