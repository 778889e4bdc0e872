#pragma once

#include <ctime>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "app/kite_update_dlg.h"
#include "app/posix/built_in_string_resources.h"
#include "app/posix/configured_product_version_reader.h"
#include "app/posix/terminal_dialog_window.h"
#include "app/posix/terminal_progress.h"
#include "package/posix/linked_resource_source.h"
#include "sim/default_state.h"
#include "sim/in_process_device_access.h"
#include "sim/sensor_code_block.h"
#include "sim/sim_writer.h"
#include "sim/virtual_host_time.h"
#include "tests/support/engine_harness.h"
#include "tests/support/no_writers.h"
#include "tests/support/virtual_clock.h"

namespace solvane::terminal_test {

using engine_test::TestClock;

// A Solvane/Solvane II (type 19) older than the program in every component.
inline WriterState OldType19Writer() {
  WriterState state = DefaultWriterState("5.00");
  state.identity.machineType = 19;
  state.identity.applicationVersion = 0x01630000;
  state.identity.applicationBuild = 34000;
  state.identity.bootVersion = 0x01000000;
  state.identity.bootBuild = 35600;
  SensorCodeBlock::Seal(state.sensorFlash, 14000);
  return state;
}

// solvane-update's main dialog in the terminal window, on the in-process
// simulated writer and a virtual clock; the input is given, the output kept.
class TerminalRun {
 public:
  explicit TerminalRun(WriterState state = OldType19Writer(),
                       SimTiming timing = {},
                       bool drawProgress = false)
      : writer(std::move(state), hostTime_, FaultPlan{}, timing),
        writerAccess_(writer, clock),
        systemClock_(clock),
        screen_(output_),
        progress_(screen_, drawProgress, [this] { return clock.NowMs(); }) {}

  // Without a writer.
  void Unplug() { devices_ = &noWriters_; }

  // Runs the main dialog until it ends; its result.
  int Run(const std::string& input) {
    std::istringstream in(input);
    UpdaterServices services{*devices_,  clock,          systemClock_, log,
                             resources_, versionReader_, strings_,     progress_};
    CKiteUpdate100Dlg dialog(services);
    TerminalDialogWindow window(in, screen_, true);
    int result = window.Run(dialog);
    remainingInput_ = in.eof() ? "" : std::string(std::istreambuf_iterator<char>(in), {});
    return result;
  }

  std::string output() const { return output_.str(); }
  const std::string& remainingInput() const { return remainingInput_; }

  VirtualClock clock;

 private:
  VirtualHostTime hostTime_{clock};

 public:
  SimWriter writer;
  MemoryLogStorage log;

 private:
  InProcessDeviceAccess writerAccess_;
  NoWriters noWriters_;
  DeviceAccess* devices_ = &writerAccess_;
  TestClock systemClock_;
  LinkedResourceSource resources_;
  ConfiguredProductVersionReader versionReader_;
  BuiltInStringResources strings_;
  std::ostringstream output_;
  TerminalScreen screen_;
  TerminalProgress progress_;
  std::string remainingInput_;
};

}  // namespace solvane::terminal_test
