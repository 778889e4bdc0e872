#pragma once

#include <string_view>

#include "app/recording_log_storage.h"
#include "app/updater_services.h"
#include "device/recording_device_access.h"
#include "device/recording_system_clock.h"
#include "device/run_recorder.h"

namespace solvane {

// The recorders of one recorded run of the program, wrapping its own seams:
// the writer, the PC's clock, the update log and the answers to its boxes.
class RecordingSession {
 public:
  // Records what `services` reach of the writer, the clock and the log.
  RecordingSession(RecordingSink& sink, const UpdaterServices& services, std::string_view program);

  // The program's services with those three recorded.
  const UpdaterServices& services() const { return services_; }
  AnswerObserver& answers() { return recorder_; }

 private:
  RunRecorder recorder_;
  RecordingDeviceAccess devices_;
  RecordingSystemClock clock_;
  RecordingLogStorage logStorage_;
  UpdaterServices services_;
};

}  // namespace solvane
