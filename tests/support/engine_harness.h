#pragma once

#include <cstdint>
#include <ctime>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "app/kite_update_dlg.h"
#include "package/posix/linked_resource_source.h"
#include "sim/default_state.h"
#include "sim/fault_plan.h"
#include "sim/in_process_device_access.h"
#include "sim/sim_writer.h"
#include "sim/transcript.h"
#include "sim/virtual_host_time.h"
#include "tests/support/memory_log_storage.h"
#include "tests/support/virtual_clock.h"
#include "tools/lzari/lzari_encoder.h"

namespace solvane::engine_test {

struct Box {
  std::string text;
  std::string caption;
  uint32_t style;
  uint64_t atMs;  // on the virtual clock
};

// The dialog's window as a test sees it: every status text, caption and box.
class RecordingWindow final : public DialogWindow {
 public:
  void SetItemText(uint32_t controlId, std::string_view text) override {
    items[controlId] = std::string(text);
    if (controlId == kStatusArea) {
      statusTexts.emplace_back(text);
    }
  }
  void SetCaption(std::string_view text) override { caption = std::string(text); }
  int MessageBox(std::string_view text, std::string_view caption, uint32_t style) override {
    boxes.push_back({std::string(text), std::string(caption), style, clock ? clock->NowMs() : 0});
    if (!answers.empty()) {
      int answer = answers.front();
      answers.pop_front();
      return answer;
    }
    return (style & 0xF) == kMbYesNo ? kIdYes : kIdOk;
  }
  bool AppendSystemMenu(uint32_t commandId, std::string_view text) override {
    systemMenu.emplace_back(commandId, std::string(text));
    return true;
  }
  void SetIcon(uint32_t iconId) override { icon = iconId; }
  int RunModal(CDialog& child) override {
    child.Attach(*this);
    child.OnInitDialog();
    child.Detach();
    return kIdOk;
  }
  void EndDialog(int result) override { ended = result; }

  std::map<uint32_t, std::string> items;
  std::vector<std::string> statusTexts;
  std::string caption;
  std::vector<Box> boxes;
  const VirtualClock* clock = nullptr;
  std::deque<int> answers;  // then yes to questions, OK to the rest
  std::vector<std::pair<uint32_t, std::string>> systemMenu;
  uint32_t icon = 0;
  std::optional<int> ended;
};

// The run's guard: its calls in order, with the boxes shown before each, and
// another copy's run that a test can make hold the lock.
class RecordingRunGuard final : public RunGuard {
 public:
  explicit RecordingRunGuard(const RecordingWindow& window) : window_(window) {}
  bool Begin() override {
    Record("Begin");
    return !heldElsewhere;
  }
  void Relax() override { Record("Relax"); }
  void End() override { Record("End"); }

  std::vector<std::string> calls;
  std::vector<size_t> boxesBefore;
  bool heldElsewhere = false;

 private:
  void Record(const char* call) {
    calls.emplace_back(call);
    boxesBefore.push_back(window_.boxes.size());
  }
  const RecordingWindow& window_;
};

// The PC's clock: UTC seconds that follow the virtual clock, a local time that
// is UTC shifted by `utcOffsetMinutes`, and injected time zone biases.
class TestClock final : public SystemClock {
 public:
  explicit TestClock(const VirtualClock& clock) : clock_(clock) {}

  int64_t Now() const override { return startUtc + static_cast<int64_t>(clock_.NowMs() / 1000); }
  std::tm LocalTime(int64_t time) const override {
    time_t shifted = static_cast<time_t>(time + 60 * int64_t{utcOffsetMinutes});
    std::tm local{};
    gmtime_r(&shifted, &local);
    local.tm_isdst = daylight ? 1 : 0;
    return local;
  }
  TimeZoneBiases TimeZone() const override { return zone; }

  // The simulated writer's host clock starts here too, counted as local time.
  int64_t startUtc = VirtualHostTime::kDefaultStartMs / 1000;
  int32_t utcOffsetMinutes = 0;
  bool daylight = false;
  TimeZoneBiases zone;

 private:
  const VirtualClock& clock_;
};

class FixedVersion final : public ProductVersionReader {
 public:
  bool ReadProductVersion(uint32_t& high, uint32_t& low) const override {
    high = (1u << 16) | 35675;
    low = 0;
    return true;
  }
};

class TestStrings final : public StringResources {
 public:
  std::string Load(uint32_t id) const override {
    if (id == 101) {
      return "&About Solvane Update...";
    }
    return id == 57344 ? "Solvane Update" : "";
  }
};

// The images the program carries, less those a test takes away, with the
// decoded bytes a test puts in their place (recorded as the build would), or
// with a byte of their stream damaged (against the build's record).
class TestResources final : public ResourceSource {
 public:
  std::optional<std::span<const uint8_t>> Find(uint32_t id) const override {
    if (missing.count(id) != 0) {
      return std::nullopt;
    }
    if (auto replaced = replacements_.find(id); replaced != replacements_.end()) {
      return std::span<const uint8_t>(replaced->second);
    }
    return linked_.Find(id);
  }
  std::optional<ImageDigest> Digest(uint32_t id) const override {
    if (auto recorded = digests_.find(id); recorded != digests_.end()) {
      return recorded->second;
    }
    return linked_.Digest(id);
  }
  void Replace(uint32_t id, std::string_view decoded);
  // Flips the middle byte of the image's stream.
  void Damage(uint32_t id);
  std::set<uint32_t> missing;

 private:
  LinkedResourceSource linked_;
  std::map<uint32_t, std::vector<uint8_t>> replacements_;
  std::map<uint32_t, ImageDigest> digests_;
};

// The simulated writer, which a test can unplug.
class PluggableAccess final : public DeviceAccess {
 public:
  explicit PluggableAccess(DeviceAccess& writer) : writer_(writer) {}
  uint32_t EnumerateInterface(const InterfaceClassGuid& interfaceClass,
                              uint32_t index,
                              std::string& devicePath) override {
    ++enumerations;
    return plugged ? writer_.EnumerateInterface(interfaceClass, index, devicePath) : 259;
  }
  uint32_t Open(const std::string& devicePath, std::unique_ptr<DeviceHandle>& handle) override {
    return plugged ? writer_.Open(devicePath, handle) : 2;
  }
  bool plugged = true;
  int enumerations = 0;

 private:
  DeviceAccess& writer_;
};

// Every bar a front end would draw: its total, the bytes it was advanced by
// and whether it was ended.
class RecordingProgress final : public Progress {
 public:
  struct Bar {
    uint64_t total;
    uint64_t advanced;
    bool ended;
  };
  void Start(uint64_t totalBytes) override { bars.push_back({totalBytes, 0, false}); }
  void Advance(uint64_t bytes) override {
    if (bars.empty() || bars.back().ended) {
      bars.push_back({0, 0, true});  // an advance outside a step: a bar that overfills
    }
    bars.back().advanced += bytes;
  }
  void End() override {
    if (bars.empty() || bars.back().ended) {
      bars.push_back({0, 1, true});  // an end outside a step: a bar that overfills
      return;
    }
    bars.back().ended = true;
  }
  std::vector<Bar> bars;
};

// The simulated writer in process and every seam of the engine, all on one
// virtual clock: what an engine test drives the engine with and looks at.
class Rig {
 public:
  explicit Rig(WriterState state = DefaultWriterState(), FaultSet faults = {})
      : hostTime_(clock),
        writer(std::move(state), hostTime_, FaultPlan(std::move(faults)), SimTiming{}, &transcript),
        access(writer, clock),
        devices(access),
        pcClock(clock) {
    window.clock = &clock;
  }

  std::vector<std::string> LogLines() const;
  // The request codes the writer received, in order.
  std::vector<uint16_t> Requests() const;
  // How many requests of `code` it received; for a transfer, how many transfers
  // began (chunks at offset 0).
  size_t Count(uint16_t code) const;
  size_t Transfers(uint16_t code) const;

  EngineServices Services() {
    return {devices, clock, pcClock, log, resources, progress, runGuard};
  }

  VirtualClock clock;

 private:
  VirtualHostTime hostTime_;

 public:
  Transcript transcript{nullptr, true};
  SimWriter writer;
  InProcessDeviceAccess access;
  PluggableAccess devices;
  MemoryLogStorage log;
  TestClock pcClock;
  TestResources resources;
  RecordingWindow window;
  RecordingRunGuard runGuard{window};
  RecordingProgress progress;

 protected:
  FixedVersion version_;
  TestStrings strings_;
};

// The main dialog on an in-process simulated writer, all on one virtual clock.
class Engine : public Rig {
 public:
  explicit Engine(WriterState state = DefaultWriterState(), FaultSet faults = {})
      : Rig(std::move(state), std::move(faults)),
        services_{devices, clock, pcClock, log, resources, version_, strings_, progress, runGuard},
        dialog(services_) {}

  // Opens the dialog in the window, as the program does at start-up.
  void Start() {
    dialog.Attach(window);
    dialog.OnInitDialog();
    window.statusTexts.clear();
  }
  void PressGo() { dialog.OnCommand(kGoButton); }

 private:
  UpdaterServices services_;

 public:
  CKiteUpdate100Dlg dialog;
};

// The update engine without the dialog: its boxes and status texts go to the
// recording window, and its texts are the program's.
class EngineAlone final : public CKiteUpdateEngine {
 public:
  EngineAlone(const EngineServices& services, RecordingWindow& window)
      : CKiteUpdateEngine(services, "Solvane Update", "35675"), window_(window) {}

  const std::string& introText() const override { return introText_; }
  const std::string& applicationName() const override { return applicationName_; }
  void OnCancel() override { window_.EndDialog(2); }

 private:
  int Show(std::string_view text, std::string_view caption, uint32_t style) override {
    return window_.MessageBox(text, caption, style);
  }
  int ShowApplication(std::string_view text, uint32_t style) override {
    return Show(text, applicationName_, style);
  }
  void ShowStatusText(std::string_view text) override { window_.SetItemText(kStatusArea, text); }

  RecordingWindow& window_;
  const std::string introText_ = "intro";
  const std::string applicationName_ = "Solvane Update";
};

// The engine alone on the rig: a procedure is called as the run would call it.
class LoneEngine : public Rig {
 public:
  explicit LoneEngine(WriterState state = DefaultWriterState(), FaultSet faults = {})
      : Rig(std::move(state), std::move(faults)), engine(Services(), window) {}

  // What the run does before its procedures: the log and the link open, the
  // writer identified.
  void Connect() {
    engine.OpenLog();
    engine.usb().Open();
    engine.usb().Identify();
  }

  EngineAlone engine;
};

}  // namespace solvane::engine_test
