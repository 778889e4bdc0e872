#pragma once

#include <string_view>

#include "app/recording_log_storage.h"
#include "device/recording_device_access.h"
#include "device/recording_system_clock.h"
#include "device/run_recorder.h"

namespace solvane {

// The recorders of one recorded run of the program, wrapping its own seams:
// the writer, the PC's clock, the update log and the answers to its boxes.
class RecordingSession {
 public:
  RecordingSession(RecordingSink& sink,
                   DeviceAccess& devices,
                   const SystemClock& clock,
                   LogStorage& logStorage,
                   const ResourceSource& resources,
                   std::string_view program);

  DeviceAccess& devices() { return devices_; }
  const SystemClock& clock() { return clock_; }
  LogStorage& logStorage() { return logStorage_; }
  AnswerObserver& answers() { return recorder_; }

 private:
  RunRecorder recorder_;
  RecordingDeviceAccess devices_;
  RecordingSystemClock clock_;
  RecordingLogStorage logStorage_;
};

}  // namespace solvane
