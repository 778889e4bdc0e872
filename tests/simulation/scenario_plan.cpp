// Plans as scenario files, and the shrinking that makes a failing one small.
#include <algorithm>
#include <iterator>
#include <string_view>

#include "sim/scenario_file.h"
#include "tests/simulation/seeded_run.h"

namespace solvane::simulation {

namespace {

using nlohmann::json;

constexpr int kYes = 6;
constexpr int kNo = 7;

uint32_t IndexOf(const json& value, const auto& names) {
  auto found = std::find_if(std::begin(names), std::end(names),
                            [&](const char* name) { return value.get<std::string>() == name; });
  if (found == std::end(names)) {
    throw std::invalid_argument("unknown writer value " + value.dump());
  }
  return static_cast<uint32_t>(found - std::begin(names));
}

std::string Hex(uint32_t value) {
  char text[12];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

json ReplyEntry(const ReplyFault& fault) {
  json entry;
  if (fault.subCommand) {
    entry["subCommand"] = *fault.subCommand;
  } else if (fault.selector) {
    entry["selector"] = *fault.selector;
  } else {
    entry["code"] = Hex(fault.code);
  }
  if (fault.chunk != 0) {
    entry["chunk"] = fault.chunk;
  } else {
    entry["request"] = fault.request;
  }
  entry["times"] = fault.times;
  entry["action"] = kReplyFaultNames[static_cast<size_t>(fault.kind)];
  switch (fault.kind) {
    case ReplyFaultKind::kShortReply:
    case ReplyFaultKind::kShortPayload:
      entry["bytes"] = fault.value;
      break;
    case ReplyFaultKind::kWrongCode:
      entry["replyCode"] = fault.value;
      break;
    case ReplyFaultKind::kStatus:
      entry["status"] = fault.value;
      entry["param1"] = fault.statusParam1;
      break;
    case ReplyFaultKind::kWrongLength:
      entry["length"] = fault.value;
      break;
    case ReplyFaultKind::kWrongParam:
      entry["param"] = fault.index;
      entry["value"] = fault.value;
      break;
    case ReplyFaultKind::kWrongByte:
      entry["offset"] = fault.index;
      entry["value"] = fault.value;
      break;
    case ReplyFaultKind::kLate:
      entry["ms"] = fault.value;
      break;
    case ReplyFaultKind::kNoReply:
      break;
  }
  if (!AltersTheRealReply(fault.kind)) {
    entry["execute"] = fault.execute;
  }
  return entry;
}

json FaultEntries(const FaultSet& faults) {
  json entries = json::array();
  for (const ReplyFault& fault : faults.replies) {
    entries.push_back(ReplyEntry(fault));
  }
  static constexpr const char* kFlash[] = {"write", "erase", "bitFlip", "xLoaderWrite"};
  for (const FlashFault& fault : faults.flash) {
    json entry = {{"flash", kFlash[static_cast<size_t>(fault.kind)]},
                  {"request", fault.request},
                  {"times", fault.times}};
    if (fault.kind == FlashFaultKind::kBitFlip) {
      entry["offset"] = std::min<uint32_t>(fault.offset, 65535);
      entry["bit"] = fault.bit;
    } else if (fault.kind == FlashFaultKind::kXLoaderWriteFails) {
      entry["offset"] = fault.offset;
    }
    entries.push_back(entry);
  }
  for (const VanishFault& fault : faults.vanish) {
    entries.push_back({{"vanish", fault.selector}, {"request", fault.request}});
  }
  for (const RestartFault& fault : faults.restarts) {
    json entry = {{"restart", fault.restart}};
    if (fault.never) {
      entry["never"] = true;
    }
    if (fault.lateMs != 0) {
      entry["lateMs"] = fault.lateMs;
    }
    if (fault.machineType) {
      entry["machineType"] = *fault.machineType;
    }
    if (fault.bootMode) {
      entry["bootMode"] = true;
    }
    if (fault.notReadyProbes != 0) {
      entry["notReadyProbes"] = fault.notReadyProbes;
    }
    entries.push_back(entry);
  }
  for (const PowerCut& cut : faults.powerCuts) {
    if (cut.replugMs) {
      entries.push_back({{"unplug", cut.packet}, {"replugMs", *cut.replugMs}});
    } else if (cut.packet != 0) {
      entries.push_back({{"powerCutAfterPacket", cut.packet}});
    } else {
      entries.push_back({{"powerCutInFlash", cut.operation}, {"bytes", cut.bytes}});
    }
  }
  return entries;
}

// Each list of faults, one entry dropped at a time.
template <typename List>
bool DropOne(RunPlan& plan, List FaultSet::*list, bool plantedDefect) {
  for (size_t i = 0; i < (plan.faults.*list).size(); ++i) {
    RunPlan smaller = plan;
    (smaller.faults.*list).erase((smaller.faults.*list).begin() + static_cast<std::ptrdiff_t>(i));
    if (!RunPlanned(smaller, plantedDefect).violation.empty()) {
      plan = smaller;
      return true;
    }
  }
  return false;
}

}  // namespace

json ScenarioOf(const RunPlan& plan, const std::string& description) {
  const WriterChoice& w = plan.writer;
  json answers = json::array();
  for (int answer : plan.answers) {
    answers.push_back(answer == kYes ? "yes" : "no");
  }
  return {{"description", description},
          {"writer",
           {{"type", w.type},
            {"application", kCodeAges[w.application]},
            {"boot", kCodeAges[w.boot]},
            {"bootMode", w.bootMode},
            {"xLoader", kXLoaderVersions[w.xLoader]},
            {"sensorBuild", w.sensorBuild},
            {"wifi", kWifiStates[w.wifi]},
            {"clockOff", w.clockOff},
            {"realtimeOpen", w.realtimeOpen},
            {"jobOpen", w.jobOpen}}},
          {"answers", answers},
          {"faults", FaultEntries(plan.faults)},
          {"tail", plan.tail}};
}

RunPlan PlanOfScenario(const json& scenario) {
  RunPlan plan;
  plan.faults = ScenarioFaults(scenario);
  const json& w = scenario.value("writer", json::object());
  plan.writer.type = w.value("type", 19u);
  plan.writer.application = IndexOf(w.value("application", json("older")), kCodeAges);
  plan.writer.boot = IndexOf(w.value("boot", json("older")), kCodeAges);
  plan.writer.bootMode = w.value("bootMode", false);
  plan.writer.xLoader = IndexOf(w.value("xLoader", json("5.00")), kXLoaderVersions);
  plan.writer.sensorBuild = w.value("sensorBuild", 14000u);
  plan.writer.wifi = IndexOf(w.value("wifi", json("present")), kWifiStates);
  plan.writer.clockOff = w.value("clockOff", false);
  plan.writer.realtimeOpen = w.value("realtimeOpen", false);
  plan.writer.jobOpen = w.value("jobOpen", false);
  for (const json& answer : scenario.value("answers", json::array())) {
    plan.answers.push_back(answer == "yes" ? kYes : kNo);
  }
  plan.tail = scenario.value("tail", true);
  return plan;
}

RunPlan Shrink(RunPlan plan, bool plantedDefect) {
  while (DropOne(plan, &FaultSet::replies, plantedDefect) ||
         DropOne(plan, &FaultSet::flash, plantedDefect) ||
         DropOne(plan, &FaultSet::vanish, plantedDefect) ||
         DropOne(plan, &FaultSet::restarts, plantedDefect) ||
         DropOne(plan, &FaultSet::powerCuts, plantedDefect)) {
  }
  // Then each choice of the writer back to its plainest, where it still fails.
  const WriterChoice plainest;
  auto tryPlainer = [&](auto WriterChoice::*field) {
    RunPlan plainer = plan;
    plainer.writer.*field = plainest.*field;
    if (plainer.writer.*field != plan.writer.*field &&
        !RunPlanned(plainer, plantedDefect).violation.empty()) {
      plan = plainer;
    }
  };
  tryPlainer(&WriterChoice::type);
  tryPlainer(&WriterChoice::application);
  tryPlainer(&WriterChoice::boot);
  tryPlainer(&WriterChoice::bootMode);
  tryPlainer(&WriterChoice::xLoader);
  tryPlainer(&WriterChoice::sensorBuild);
  tryPlainer(&WriterChoice::wifi);
  tryPlainer(&WriterChoice::clockOff);
  tryPlainer(&WriterChoice::realtimeOpen);
  tryPlainer(&WriterChoice::jobOpen);
  return plan;
}

}  // namespace solvane::simulation
