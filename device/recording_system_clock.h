#pragma once

#include "device/run_recorder.h"
#include "platform/system_clock.h"

namespace solvane {

// The PC's clock and time zone as the run reads them, recorded.
class RecordingSystemClock final : public SystemClock {
 public:
  RecordingSystemClock(const SystemClock& clock, RunRecorder& recorder)
      : clock_(clock), recorder_(recorder) {}

  int64_t Now() const override;
  std::tm LocalTime(int64_t time) const override;
  TimeZoneBiases TimeZone() const override;

 private:
  const SystemClock& clock_;
  RunRecorder& recorder_;
};

}  // namespace solvane
