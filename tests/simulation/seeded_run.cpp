#include "tests/simulation/seeded_run.h"

#include <algorithm>
#include <functional>
#include <sstream>
#include <string_view>

#include "sim/default_state.h"
#include "sim/sensor_code_block.h"
#include "sim/writer_memory.h"
#include "tests/simulation/simulated_pc.h"

namespace solvane::simulation {

namespace {

constexpr int kYes = 6;
constexpr int kNo = 7;

// SplitMix64: the only source of chance, so a seed replays exactly.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }
  bool OneIn(uint32_t n) { return Below(n) == 0; }

 private:
  uint64_t state_;
};

constexpr uint32_t kSensorBuilds[] = {14000, 14759, 14760, 14761, 0};  // 0: damaged

WriterChoice DrawWriter(Rng& rng) {
  static constexpr uint32_t kTypes[] = {19, 19, 19, 19, 20, 18, 5};
  WriterChoice choice;
  choice.xLoader = rng.Below(3);
  choice.type = kTypes[rng.Below(7)];
  choice.application = rng.Below(4);
  choice.boot = rng.Below(3);
  choice.bootMode = choice.application == 3 || rng.OneIn(8);
  choice.sensorBuild = kSensorBuilds[rng.Below(5)];
  choice.wifi = rng.Below(3);
  choice.clockOff = rng.OneIn(4);
  choice.realtimeOpen = rng.OneIn(8);
  choice.jobOpen = rng.OneIn(10);
  return choice;
}

const std::vector<std::string> kKinds = {"noReply",
                                         "shortReply",
                                         "wrongCode",
                                         "status",
                                         "wrongLength",
                                         "shortPayload",
                                         "wrongParam",
                                         "wrongByte",
                                         "late",
                                         "write",
                                         "erase",
                                         "bitFlip",
                                         "xLoaderWrite",
                                         "vanish",
                                         "restart",
                                         "powerCutAfterPacket",
                                         "powerCutInFlash",
                                         "unplug"};

size_t CountOf(const std::vector<SentRequest>& sent, uint16_t code, size_t upTo) {
  return static_cast<size_t>(std::count_if(sent.begin(),
                                           sent.begin() + static_cast<std::ptrdiff_t>(upTo),
                                           [&](const SentRequest& r) { return r.code == code; }));
}

// One fault of kind `kind`, its trigger drawn from what a fault-free run sent.
void AddFault(size_t kind, Rng& rng, const std::vector<SentRequest>& sent, FaultSet& faults) {
  uint32_t packets = static_cast<uint32_t>(std::max<size_t>(sent.size(), 1));
  uint32_t writes = static_cast<uint32_t>(CountOf(sent, kWriteFlash, sent.size()));
  uint32_t erases = static_cast<uint32_t>(CountOf(sent, kEraseFlash, sent.size()));
  uint32_t operations =
      writes + erases + static_cast<uint32_t>(CountOf(sent, kSendCommand, sent.size())) + 4;
  if (kind <= 8) {
    ReplyFault fault;
    size_t at = rng.Below(packets);
    fault.code = sent.empty() ? uint16_t{kIdentify} : sent[at].code;
    fault.request = sent.empty() ? 1 : static_cast<uint32_t>(CountOf(sent, fault.code, at + 1));
    fault.times = rng.OneIn(4) ? 0 : 1 + rng.Below(2);
    fault.kind = static_cast<ReplyFaultKind>(kind);
    fault.execute = rng.OneIn(2);
    fault.index = rng.Below(8);
    static constexpr uint32_t kStatuses[] = {0x23, 0x21, 0x03, 0x10, 0x29};
    switch (fault.kind) {
      case ReplyFaultKind::kShortReply:
        fault.value = 1 + rng.Below(31);
        break;
      case ReplyFaultKind::kWrongCode:
        fault.value = 9;
        break;
      case ReplyFaultKind::kStatus:
        fault.value = kStatuses[rng.Below(5)];
        fault.statusParam1 = rng.Below(3);
        break;
      case ReplyFaultKind::kWrongLength:
        fault.value = rng.OneIn(2) ? 70000 : rng.Below(64);
        break;
      case ReplyFaultKind::kWrongParam:
        fault.index = rng.Below(5);
        [[fallthrough]];
      default:
        fault.value = rng.Below(256);
        break;
      case ReplyFaultKind::kLate:  // just inside or just past the link's deadline
        fault.value = rng.OneIn(2) ? 999 - rng.Below(20) : 1001 + rng.Below(20);
        break;
    }
    faults.replies.push_back(fault);
  } else if (kind <= 12) {
    static constexpr FlashFaultKind kFlash[] = {
        FlashFaultKind::kWriteFails, FlashFaultKind::kEraseFails, FlashFaultKind::kBitFlip,
        FlashFaultKind::kXLoaderWriteFails};
    FlashFault fault{kFlash[kind - 9], 1, rng.OneIn(4) ? 0 : 1u, rng.Below(0x8000), rng.Below(8)};
    fault.request = 1 + rng.Below(kind == 10 ? erases + 1 : kind == 12 ? 2 : writes + 1);
    faults.flash.push_back(fault);
  } else if (kind == 13) {
    faults.vanish.push_back({rng.OneIn(2) ? 8u : 9u, 1 + rng.Below(3)});
  } else if (kind == 14) {
    RestartFault fault;
    fault.restart = 1 + rng.Below(2);
    switch (rng.Below(5)) {
      case 0:
        fault.never = true;
        break;
      case 1:
        fault.lateMs = rng.Below(60000);
        break;
      case 2:
        fault.machineType = rng.OneIn(2) ? 5u : 20u;
        break;
      case 3:
        fault.bootMode = true;
        break;
      default:
        fault.notReadyProbes = 1 + rng.Below(5);
        break;
    }
    faults.restarts.push_back(fault);
  } else {
    PowerCut cut;
    if (kind == 16) {
      cut.operation = 1 + rng.Below(operations);
      cut.bytes = rng.Below(0x20000);
    } else {
      cut.packet = 1 + rng.Below(packets);
    }
    if (kind == 17) {
      cut.replugMs = 100 + rng.Below(8000);
    }
    faults.powerCuts.push_back(cut);
  }
}

uint64_t HashOf(const std::vector<uint8_t>& bytes, size_t offset, size_t length) {
  return std::hash<std::string_view>()(
      std::string_view(reinterpret_cast<const char*>(bytes.data()) + offset, length));
}

// The components as the writer will run them (code pending a restart counts).
std::string Components(const WriterState& state) {
  const WriterIdentity& id = state.identity;
  std::ostringstream out;
  out << std::hex;
  if (state.pendingBoot) {
    out << "boot " << state.pendingBoot->versionWord << "/" << std::dec << state.pendingBoot->build;
  } else {
    out << "boot " << id.bootVersion << "/" << std::dec << id.bootBuild
        << (id.bootIntact ? "" : " damaged");
  }
  out << std::hex;
  bool appValid = state.pendingApplication ? state.pendingApplication->valid : id.applicationValid;
  uint32_t appVersion =
      state.pendingApplication ? state.pendingApplication->versionWord : id.applicationVersion;
  uint32_t appBuild =
      state.pendingApplication ? state.pendingApplication->build : id.applicationBuild;
  out << ", application " << appVersion << "/" << std::dec << appBuild
      << (appValid ? "" : " damaged") << ", X-Loader #" << std::hex
      << HashOf(state.xLoader, 0, state.xLoader.size()) % 0x1000000
      << (state.xLoaderIntact ? "" : " damaged") << ", sensor ";
  // Any intact code at or above the minimum build is what the design intends.
  if (SensorCodeBlock::BuildOf(state.sensorFlash) >= 14760) {
    out << "at its minimum build or above";
  } else {
    out << "#"
        << HashOf(state.sensorFlash, SensorCodeBlock::kCodeStart,
                  state.sensorFlash.size() - SensorCodeBlock::kCodeStart) %
               0x1000000;
  }
  out << ", WiFi NVS #" << HashOf(state.wifi, 0x20000, 0x20000) % 0x1000000 << ", WiFi app #"
      << HashOf(state.wifi, 0x100000, 0x100000) % 0x1000000;
  return out.str();
}

// Whether the writer holds what a fault-free run leaves. From boot mode the
// program sends the carried boot code whatever the writer had, so a run that
// went through boot mode may leave it where a fault-free run kept a newer one.
bool AsIntended(const std::string& now, const std::string& expected) {
  static constexpr std::string_view kCarriedBoot = "boot 1000000/35673,";
  size_t nowRest = now.find(',');
  size_t expectedRest = expected.find(',');
  return now == expected ||
         (now.starts_with(kCarriedBoot) && now.substr(nowRest) == expected.substr(expectedRest));
}

bool Undamaged(const WriterState& state) {
  bool app =
      state.pendingApplication ? state.pendingApplication->valid : state.identity.applicationValid;
  return app && state.xLoaderIntact && state.identity.bootIntact;
}

bool ProtectedMemoryKept(const WriterState& now, const WriterState& before) {
  for (const FlashRegion& region : WriterMemory::kWifiRegions) {
    std::string_view name = region.name;
    size_t offset = region.address - WriterMemory::kWifiBase;
    if (name != "nvs" && name != "application" &&
        HashOf(now.wifi, offset, region.size) != HashOf(before.wifi, offset, region.size)) {
      return false;
    }
  }
  return HashOf(now.sensorFlash, 0, SensorCodeBlock::kCodeStart) ==
         HashOf(before.sensorFlash, 0, SensorCodeBlock::kCodeStart);
}

bool Changes(const SentRequest& request) {
  switch (request.code) {
    case kSendApplicationCode:
    case kSendBootCode:
    case kSendXLoader:
    case kEraseFlash:
    case kWriteFlash:
    case kRequestReset:
      return true;
    case kExchangeClock:
      return request.param1 == 1;
    case kSendCommand:
      return request.param0 == kSensorWrite;
    default:
      return false;
  }
}

// The log's "Sending" lines follow the program's steps: early boot and
// application code, then sensor board, WiFi application, WiFi NVS, X-Loader,
// boot code, application code, X-Loader; a step may repeat at once (a resend).
bool LogInOrder(const std::vector<std::string>& lines) {
  static constexpr std::pair<const char*, char> kSteps[] = {
      {"Sending KeySensor Board Code to ", 'S'},
      {"Sending WiFi App. to ", 'W'},
      {"Sending WiFi NVS. to ", 'N'},
      {"Sending XLoader ", 'X'},
      {"Sending boot code version ", 'B'},
      {"Sending software version ", 'A'}};
  static constexpr std::string_view kOrder = "BASWNXBAX";
  size_t at = 0;
  char last = 0;
  for (const std::string& line : lines) {
    for (auto [prefix, step] : kSteps) {
      if (!line.starts_with(prefix) || step == last) {
        continue;
      }
      size_t next = kOrder.find(step, at);
      if (next == std::string_view::npos) {
        return false;
      }
      at = next + 1;
      last = step;
    }
  }
  return true;
}

std::vector<std::string> LinesOf(const std::string& log) {
  std::vector<std::string> lines;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    size_t dash = line.find(" - ");
    lines.push_back(dash == std::string::npos ? line : line.substr(dash + 3));
  }
  return lines;
}

struct Expected {
  std::string components;  // what a fault-free run leaves
  bool writerStarts = true;
};

// The checks after one run; the first broken rule, or "".
std::string Check(const SimulatedPc& pc,
                  const WriterState& before,
                  const std::vector<int>& answers,
                  const Expected& expected,
                  uint64_t timeBoundMs) {
  WriterState after = pc.writer.State();
  size_t answer = 0;
  std::optional<size_t> refusal;
  std::optional<size_t> clockDeclined;
  bool downgradeAllowed = false;
  bool success = false;
  for (size_t i = 0; i < pc.window.boxes.size(); ++i) {
    const engine_test::Box& box = pc.window.boxes[i];
    bool yes = true;
    if ((box.style & 0xF) == 4) {
      yes = answer >= answers.size() || answers[answer] == kYes;
      ++answer;
    }
    bool warning = box.caption == "Warning";
    downgradeAllowed = downgradeAllowed || (warning && yes);
    // A busy writer is a refusal when the program finds it before changing anything
    // (the realtime file); later it ends a run that may still restart the writer.
    // (the realtime file) or a wrong model; found later (after a restart) they end
    // a run that may still restart the writer.
    bool early = std::none_of(pc.tap.sent.begin(), pc.tap.sent.end(), [&](const SentRequest& r) {
      return r.boxesBefore <= i && Changes(r);
    });
    bool refused = box.text.starts_with("Unable to program your writer.\nPlease close") ||
                   box.text.starts_with("Improper Machine Type");
    if (!refusal && ((warning && !yes) || (refused && early))) {
      refusal = i + 1;
    }
    if (!clockDeclined && !yes && box.text.starts_with("Your Steno Machine's date/time")) {
      clockDeclined = i + 1;
    }
    success = success || box.text.starts_with("Successfully updated the ");
  }
  // A writer that reports no WiFi partition, or does not answer the query, gets
  // no WiFi image: by design, and the run may still end in success.
  bool vanished = std::any_of(
      pc.writer.firedFaults().begin(), pc.writer.firedFaults().end(),
      [](const std::string& f) { return f.starts_with("vanish") || f.ends_with("@0x100B"); });
  auto withoutWifi = [&](std::string text) {
    return vanished ? text.substr(0, text.find(", WiFi NVS")) : text;
  };
  if (success && (!AsIntended(withoutWifi(Components(after)), withoutWifi(expected.components)) ||
                  !Undamaged(after))) {
    return "success shown, but the writer holds " + Components(after) +
           "; a fault-free run leaves " + expected.components;
  }
  if (!ProtectedMemoryKept(after, before)) {
    return "memory outside the components changed";
  }
  uint32_t appBuild =
      after.pendingApplication ? after.pendingApplication->build : after.identity.applicationBuild;
  // A writer in boot mode runs no application the program could see going down.
  if (!before.identity.bootMode && before.identity.applicationValid &&
      appBuild < before.identity.applicationBuild && !downgradeAllowed) {
    return "the application went down without a yes to the downgrade question";
  }
  for (const SentRequest& request : pc.tap.sent) {
    if (refusal && request.boxesBefore >= *refusal && Changes(request)) {
      return "request " + std::to_string(request.code) + " changes the writer after a refusal";
    }
    if (clockDeclined && request.boxesBefore >= *clockDeclined && request.code == kExchangeClock &&
        request.param1 == 1) {
      return "the clock set after the question was declined";
    }
  }
  if (!pc.log.contents.ends_with(" - Exiting\n")) {
    return "the log does not end with its closing line";
  }
  if (!LogInOrder(LinesOf(pc.log.contents))) {
    return "the log's lines come in an order the program cannot write";
  }
  if (pc.clock.NowMs() > timeBoundMs) {
    return "the run took " + std::to_string(pc.clock.NowMs()) + " ms of virtual time";
  }
  return "";
}

void Describe(const SimulatedPc& pc, const WriterState& before, std::ostream& out) {
  out << "writer before: " << Components(before) << "\nlog:\n" << pc.log.contents << "boxes:\n";
  for (const engine_test::Box& box : pc.window.boxes) {
    out << "  [" << box.caption << "] " << box.text << "\n";
  }
  out << "faults fired:";
  for (const std::string& fired : pc.writer.firedFaults()) {
    out << " " << fired;
  }
  out << "\nrequests: " << pc.tap.sent.size() << ", virtual ms " << pc.clock.NowMs()
      << "\nwriter after: " << Components(pc.writer.State())
      << (pc.writer.poweredOff() ? " (power off)" : "") << "\n";
}

WriterState WithoutBusyFiles(WriterState state) {
  state.realtimeActive = state.jobOpen = false;
  return state;
}

struct FaultFreeRun {
  std::vector<SentRequest> sent;
  Expected expected;
};

// A fault-free run from the start `key` names (powered on first, or not): what
// it sent and what the writer holds after it and its restart. Kept, since many
// seeds share a start.
const FaultFreeRun& FaultFree(const WriterState& start,
                              const std::vector<int>& answers,
                              const std::string& key,
                              bool powerOn) {
  static std::map<std::string, FaultFreeRun> known;
  std::string fullKey = key + (powerOn ? " powered on" : "");
  for (int answer : answers) {
    fullKey += answer == kYes ? " yes" : " no";
  }
  auto [run, added] = known.try_emplace(fullKey);
  if (added) {
    SimulatedPc pc(start, {});
    if (powerOn) {
      pc.writer.PowerOn();
    }
    pc.Run(answers);
    pc.LetRestartEnd();
    run->second = {pc.tap.sent, {Components(pc.writer.State()), pc.writer.Starts()}};
  }
  return run->second;
}

uint64_t TimeBound(const FaultSet& faults) {
  uint64_t bound = 20 * 60000;
  for (const RestartFault& fault : faults.restarts) {
    bound += fault.lateMs;
  }
  for (const PowerCut& cut : faults.powerCuts) {
    bound += cut.replugMs.value_or(0);
  }
  return bound + 5 * 60000 *
                     (faults.replies.size() + faults.flash.size() + faults.vanish.size() +
                      faults.restarts.size() + faults.powerCuts.size());
}

}  // namespace

const std::vector<std::string>& FaultKinds() {
  return kKinds;
}

WriterState StartOf(const WriterChoice& choice) {
  WriterState state = DefaultWriterState(kXLoaderVersions[choice.xLoader]);
  WriterIdentity& id = state.identity;
  id.machineType = choice.type;
  static constexpr uint32_t kAppVersions[] = {0x01630000, 0x02000000, 0x02010000};
  static constexpr uint32_t kAppBuilds[] = {34000, 35675, 35800};
  if (choice.application < 3) {
    id.applicationVersion = kAppVersions[choice.application];
    id.applicationBuild = kAppBuilds[choice.application];
  } else {
    id.applicationValid = false;
  }
  static constexpr uint32_t kBootBuilds[] = {35600, 35673, 35700};
  id.bootBuild = id.secondaryBootBuild = kBootBuilds[choice.boot];
  id.bootMode = choice.bootMode;
  if (choice.sensorBuild == 0) {
    state.sensorFlash[SensorCodeBlock::kCodeStart + 100] ^= 0x10;
  } else {
    SensorCodeBlock::Seal(state.sensorFlash, choice.sensorBuild);
  }
  for (uint32_t address : {0x01020000u, 0x01100000u}) {
    size_t offset = address - WriterMemory::kWifiBase;
    if (choice.wifi == 1) {
      std::fill_n(state.wifi.begin() + static_cast<std::ptrdiff_t>(offset), 0x20000, 0xFF);
    } else if (choice.wifi == 2) {
      state.wifi[offset + 200] ^= 0x01;
    }
  }
  state.clockOffsetSeconds = choice.clockOff ? 3600 : 0;
  state.realtimeActive = choice.realtimeOpen;
  state.jobOpen = choice.jobOpen;
  return state;
}

std::string TextOf(const WriterChoice& choice) {
  return ScenarioOf(RunPlan{0, choice, {}, {}, true}, "")["writer"].dump();
}

RunPlan PlanOf(uint64_t seed) {
  Rng rng(seed);
  RunPlan plan;
  plan.seed = seed;
  plan.writer = DrawWriter(rng);
  WriterState start = StartOf(plan.writer);
  for (int i = 0; i < 3; ++i) {
    plan.answers.push_back(rng.OneIn(4) ? kNo : kYes);
  }
  // Swarm: each seed weighs every kind afresh, many at 0.
  std::vector<uint32_t> weights;
  uint32_t total = 0;
  for (size_t i = 0; i < kKinds.size(); ++i) {
    weights.push_back(rng.OneIn(2) ? 0 : 1 + rng.Below(4));
    total += weights.back();
  }
  if (total == 0) {
    weights[rng.Below(static_cast<uint32_t>(kKinds.size()))] = total = 1;
  }
  const std::vector<SentRequest>& sent =
      FaultFree(start, plan.answers, TextOf(plan.writer), false).sent;
  for (uint32_t n = 1 + rng.Below(4); n > 0; --n) {
    uint32_t pick = rng.Below(total);
    size_t kind = 0;
    while (pick >= weights[kind]) {
      pick -= weights[kind++];
    }
    AddFault(kind, rng, sent, plan.faults);
  }
  return plan;
}

SeedResult RunPlanned(const RunPlan& plan, bool plantedDefect) {
  SeedResult result;
  std::ostringstream out;
  WriterState first = StartOf(plan.writer);
  std::string key = TextOf(plan.writer);
  out << "seed " << plan.seed << ": " << key << "; answers";
  for (int answer : plan.answers) {
    out << (answer == kYes ? " yes" : " no");
  }
  out << "\n";
  Expected expected = FaultFree(first, plan.answers, key, false).expected;
  SimulatedPc pc(first, plan.faults);
  pc.tap.plantedDefect = plantedDefect;
  pc.Run(plan.answers);
  out << "-- first run\n";
  Describe(pc, first, out);
  result.violation = Check(pc, first, plan.answers, expected, TimeBound(plan.faults));
  pc.LetRestartEnd();
  result.fired = pc.writer.firedFaults();
  result.cutOperationSize = pc.writer.cutOperationSize();

  // The tail: the user switches the writer off and on, and runs the program
  // again, at most twice, answering yes.
  // A writer found in boot mode may leave it at the power-on, which changes what a
  // run does (boot code is sent from boot mode): either fault-free run will do.
  WriterState start = WithoutBusyFiles(first);
  std::string tailKey = key + " tail";
  Expected tailExpected = FaultFree(start, {}, tailKey, true).expected;
  Expected tailAlternative = FaultFree(start, {}, tailKey, false).expected;
  // The writer is its own model again (a restart fault may have shown another).
  WriterState state = WithoutBusyFiles(pc.writer.State());
  state.identity.machineType = first.identity.machineType;
  for (int run = 1; run <= (plan.tail ? 2 : 0) && result.violation.empty(); ++run) {
    SimulatedPc tail(state, {});
    tail.writer.PowerOn();
    if (!tail.writer.Starts()) {
      auto cause =
          std::find_if(result.fired.rbegin(), result.fired.rend(), [](const std::string& f) {
            return f.starts_with("powerCut") || f.starts_with("xLoaderWrite");
          });
      if (cause == result.fired.rend()) {
        result.violation = "the writer does not start, and no fault explains it";
      }
      result.brickCause = cause == result.fired.rend() ? "" : *cause;
      out << "-- the writer does not start (" << result.brickCause << ")\n";
      break;
    }
    WriterState before = tail.writer.State();
    result.tailRuns = run;
    tail.Run({});
    out << "-- tail run " << run << "\n";
    Describe(tail, before, out);
    result.violation = Check(tail, before, {}, tailExpected, TimeBound({}));
    if (!result.violation.empty()) {
      result.violation = Check(tail, before, {}, tailAlternative, TimeBound({}));
    }
    if (!result.violation.empty()) {
      result.violation = "tail run " + std::to_string(run) + ": " + result.violation;
    }
    tail.LetRestartEnd();
    state = tail.writer.State();
    if (AsIntended(Components(state), tailExpected.components) ||
        AsIntended(Components(state), tailAlternative.components)) {
      break;
    }
    if (run == 2 && result.violation.empty()) {
      result.violation = "after the tail the writer holds " + Components(state) +
                         "; a fault-free run leaves " + tailExpected.components;
    }
  }
  out << "-- " << (result.violation.empty() ? "every check held" : result.violation) << "\n";
  result.output = out.str();
  return result;
}

std::string ReplayCommand(uint64_t seed) {
  return "SOLVANE_SEED=" + std::to_string(seed) +
         " build/tests/solvane_simulation_tests --gtest_filter=Simulation.OneSeed";
}

}  // namespace solvane::simulation
