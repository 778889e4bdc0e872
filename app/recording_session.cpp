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
                                   DeviceAccess& devices,
                                   const SystemClock& clock,
                                   LogStorage& logStorage,
                                   const ResourceSource& resources,
                                   std::string_view program)
    : recorder_(sink, SteadyMs, resources, program),
      devices_(devices, recorder_),
      clock_(clock, recorder_),
      logStorage_(logStorage, recorder_) {}

}  // namespace solvane
