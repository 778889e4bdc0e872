#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/request_codes.h"
#include "tests/support/engine_harness.h"

namespace solvane::simulation {

using engine_test::FixedVersion;
using engine_test::RecordingProgress;
using engine_test::RecordingRunGuard;
using engine_test::RecordingWindow;
using engine_test::TestClock;
using engine_test::TestStrings;

// A request as the program sent it, with how many boxes it had shown by then.
struct SentRequest {
  uint16_t code;
  uint32_t param0;
  uint32_t param1;
  size_t boxesBefore;
};

// Between the program and the writer: records what the program sends and, with
// `plantedDefect`, turns the writer's refusal of a transfer's last chunk into an
// acceptance (a broken writer the checks must catch).
class Tap final : public DeviceAccess {
 public:
  Tap(DeviceAccess& writer, const RecordingWindow& window) : writer_(writer), window_(window) {}
  uint32_t EnumerateInterface(const InterfaceClassGuid& interfaceClass,
                              uint32_t index,
                              std::string& devicePath) override {
    return writer_.EnumerateInterface(interfaceClass, index, devicePath);
  }
  uint32_t Open(const std::string& devicePath, std::unique_ptr<DeviceHandle>& handle) override;

  std::vector<SentRequest> sent;
  bool plantedDefect = false;

 private:
  class Handle;
  DeviceAccess& writer_;
  const RecordingWindow& window_;
  bool lastChunk_ = false;
};

// The images the program carries, each decoded once for all runs of the process.
class KeepingResources final : public ResourceSource {
 public:
  std::optional<std::span<const uint8_t>> Find(uint32_t id) const override {
    return linked_.Find(id);
  }
  std::optional<ImageDigest> Digest(uint32_t id) const override { return linked_.Digest(id); }
  std::vector<uint8_t>* KeptDecode(uint32_t id) const override;

 private:
  LinkedResourceSource linked_;
};

// The main dialog and a simulated writer in one process, on one virtual clock.
class SimulatedPc {
 public:
  SimulatedPc(WriterState state, FaultSet faults);

  // One click on Go, with these answers to the questions (then yes).
  void Run(const std::vector<int>& answers);
  // Lets the writer finish a restart it is away for.
  void LetRestartEnd();

  VirtualClock clock;

 private:
  VirtualHostTime hostTime_;

 public:
  Transcript transcript{nullptr, true};
  SimWriter writer;
  InProcessDeviceAccess access;
  RecordingWindow window;
  Tap tap;
  MemoryLogStorage log;
  TestClock pcClock;
  KeepingResources resources;
  RecordingRunGuard runGuard{window};
  RecordingProgress progress;

 private:
  FixedVersion version_;
  TestStrings strings_;
  UpdaterServices services_;

 public:
  CKiteUpdate100Dlg dialog;
};

}  // namespace solvane::simulation
