// Resets the writer and waits until it is back and ready.
#include "update/kite_update_engine.h"
#include "update/message_text.h"

namespace solvane {

namespace {

constexpr uint32_t kResetSettleMs = 1000;
constexpr int kReconnectAttempts = 15;
constexpr uint32_t kReconnectIntervalMs = 1000;
constexpr int kReadinessProbes = 10;
constexpr uint32_t kReadinessIntervalMs = 500;

}  // namespace

int CKiteUpdateEngine::RestartWriter() {
  if (!restartPending_) {
    return 0;
  }
  usb_.RequestReset(0);
  if (usb_.IsOpen()) {
    services_.waiter.Wait(kResetSettleMs);
    usb_.Close();
    for (int attempt = 0; attempt < kReconnectAttempts && !usb_.IsOpen(); ++attempt) {
      services_.waiter.Wait(kReconnectIntervalMs);
      usb_.Open();
    }
    if (!usb_.IsOpen()) {
      ShowError("Unable to reset your writer.");
      return 5;
    }
  }
  if (uint32_t result = usb_.Identify(nullptr, &reportedVersion_, &bootMode_, &reportedBuild_)) {
    ShowError(ProgramErrorText(kShortMessageBuffer, result));
    return 5;
  }
  // The writer must come back as the model the run checked; anything else would
  // get images that are not its own.
  if (usb_.machineType() != acceptedMachineType_) {
    ShowError(ImproperMachineText(kShortMessageBuffer, Model()));
    return 5;
  }
  // Application code sent in this run takes effect at a restart. A writer that
  // lost it with the power comes back with no application (boot mode) or with
  // its old one, still too old for the main sequence; the done flags would skip
  // the code, so the run must not go on to report success.
  if (applicationCodeDone_ && (bootMode_ != 0 || reportedBuild_ < kEarlyProgrammingBuild)) {
    ReportError("Your writer restarted without the code sent to it.\nPlease run the update again.");
    return 5;
  }
  bool ready = false;
  for (int probe = 0; probe < kReadinessProbes && !ready; ++probe) {
    services_.waiter.Wait(kReadinessIntervalMs);
    ready = usb_.ShowMessage(nullptr);
  }
  if (!ready) {
    ShowError("Write is not ready.");
    return 5;
  }
  restartPending_ = false;
  return 0;
}

}  // namespace solvane
