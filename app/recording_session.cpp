#include "app/recording_session.h"

#include <chrono>

namespace solvane {

namespace {

uint64_t SteadyMs() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

}  // namespace

RecordingSession::RecordingSession(RecordingSink& sink,
                                   const UpdaterServices& services,
                                   std::string_view program)
    : recorder_(sink, SteadyMs, services.resources, program),
      devices_(services.devices, recorder_),
      clock_(services.clock, recorder_),
      logStorage_(services.logStorage, recorder_),
      services_{devices_,         services.waiter,    clock_,
                logStorage_,      services.resources, services.versionReader,
                services.strings, services.progress,  services.runGuard} {}

}  // namespace solvane
