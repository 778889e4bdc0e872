#include "sim/scenario_file.h"

#include <fstream>
#include <limits>
#include <set>
#include <stdexcept>

#include "device/request_codes.h"

namespace solvane {

namespace {

using nlohmann::json;

// The key as the messages show it; built by appending, which GCC 12 does not
// mistake for an overlapping copy.
std::string Quoted(const char* key) {
  std::string text = "\"";
  text.append(key).append("\"");
  return text;
}

// One fault entry: reads its keys with their ranges and tells the keys it never read.
class FaultEntry {
 public:
  explicit FaultEntry(const json& entry) : entry_(entry) {
    if (!entry.is_object()) {
      Fail("is not an object");
    }
  }

  bool Has(const char* key) const { return entry_.contains(key); }

  uint32_t Number(const char* key, uint32_t minimum = 0, uint32_t maximum = 0xFFFFFFFF) {
    const json& value = Take(key);
    uint64_t number = 0;
    bool parsed = false;
    if (value.is_number_unsigned()) {
      number = value.get<uint64_t>();
      parsed = true;
    } else if (value.is_string()) {
      // Decimal, or hexadecimal after "0x".
      const std::string text = value.get<std::string>();
      bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
      const std::string digits = hex ? text.substr(2) : text;
      if (!digits.empty() &&
          digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") ==
              std::string::npos &&
          digits.size() <= 16) {
        number = std::stoull(digits, nullptr, hex ? 16 : 10);
        parsed = true;
      }
    }
    if (!parsed || number < minimum || number > maximum) {
      Fail(Quoted(key) + " must be a number from " + std::to_string(minimum) + " to " +
           std::to_string(maximum) + ", not " + value.dump());
    }
    return static_cast<uint32_t>(number);
  }

  uint32_t NumberOr(const char* key,
                    uint32_t fallback,
                    uint32_t minimum = 0,
                    uint32_t maximum = 0xFFFFFFFF) {
    return Has(key) ? Number(key, minimum, maximum) : fallback;
  }

  // A count of occurrences: from 1, since a 0 would never fire.
  uint32_t Count(const char* key) { return Number(key, 1); }
  uint32_t CountOr(const char* key, uint32_t fallback) { return Has(key) ? Count(key) : fallback; }

  bool Flag(const char* key) {
    if (!Has(key)) {
      return false;
    }
    const json& value = Take(key);
    if (!value.is_boolean()) {
      Fail(Quoted(key) + " must be true or false, not " + value.dump());
    }
    return value.get<bool>();
  }

  std::string Text(const char* key) {
    const json& value = Take(key);
    if (!value.is_string()) {
      Fail(Quoted(key) + " must be a text, not " + value.dump());
    }
    return value.get<std::string>();
  }

  // Refuses the entry when it holds a key that was not read.
  void Finish() const {
    for (const auto& [key, value] : entry_.items()) {
      if (taken_.count(key) == 0) {
        Fail("has an unknown key \"" + key + "\"");
      }
    }
  }

  [[noreturn]] void Fail(const std::string& problem) const {
    throw std::invalid_argument("fault " + entry_.dump() + ": " + problem);
  }

 private:
  const json& Take(const char* key) {
    if (!Has(key)) {
      Fail("needs " + Quoted(key));
    }
    taken_.insert(key);
    return entry_.at(key);
  }

  const json& entry_;
  std::set<std::string> taken_;
};

constexpr uint32_t kMaxCode = 0xFFFF;

void ReadReplyFault(FaultEntry& entry, FaultSet& faults) {
  ReplyFault fault;
  if (entry.Has("subCommand")) {
    fault.subCommand = entry.Number("subCommand");
    fault.code = kSendCommand;
  }
  if (entry.Has("selector")) {
    if (fault.subCommand) {
      entry.Fail("takes one of \"subCommand\" and \"selector\"");
    }
    fault.selector = entry.Number("selector");
    fault.code = kQueryPartition;
  }
  if (entry.Has("code")) {
    uint32_t code = entry.Number("code", 0, kMaxCode);
    if ((fault.subCommand || fault.selector) && code != fault.code) {
      entry.Fail(fault.subCommand ? "\"subCommand\" belongs to code 0xE023"
                                  : "\"selector\" belongs to code 0x100B");
    }
    fault.code = static_cast<uint16_t>(code);
  } else if (!fault.subCommand && !fault.selector) {
    entry.Fail("needs \"code\"");
  }
  if (entry.Has("request") == entry.Has("chunk")) {
    entry.Fail("needs one of \"request\" and \"chunk\"");
  }
  if (entry.Has("request")) {
    fault.request = entry.Count("request");
  } else {
    bool transfer = fault.code == kSendApplicationCode || fault.code == kSendBootCode ||
                    fault.code == kSendXLoader;
    if (!transfer) {
      entry.Fail("\"chunk\" counts the chunks of a transfer (codes 0x0002, 0x0050, 0x0060)");
    }
    fault.chunk = entry.Count("chunk");
  }
  fault.times = entry.NumberOr("times", 1);

  const std::string action = entry.Text("action");
  bool executable = true;
  if (action == "noReply") {
    fault.kind = ReplyFaultKind::kNoReply;
  } else if (action == "shortReply") {
    fault.kind = ReplyFaultKind::kShortReply;
    fault.value = entry.Number("bytes", 1, 31);
  } else if (action == "wrongCode") {
    fault.kind = ReplyFaultKind::kWrongCode;
    fault.value = entry.Number("replyCode", 0, kMaxCode);
  } else if (action == "status") {
    fault.kind = ReplyFaultKind::kStatus;
    fault.value = entry.Number("status");
    fault.statusParam1 = entry.NumberOr("param1", 0);
  } else if (action == "wrongLength") {
    fault.kind = ReplyFaultKind::kWrongLength;
    fault.value = entry.Number("length");
    executable = false;
  } else if (action == "shortPayload") {
    fault.kind = ReplyFaultKind::kShortPayload;
    fault.value = entry.Number("bytes");
    executable = false;
  } else if (action == "wrongParam") {
    fault.kind = ReplyFaultKind::kWrongParam;
    fault.index = entry.Number("param", 0, 4);
    fault.value = entry.Number("value");
    executable = false;
  } else if (action == "wrongByte") {
    fault.kind = ReplyFaultKind::kWrongByte;
    fault.index = entry.Number("offset", 0, 65535);
    fault.value = entry.Number("value", 0, 255);
    executable = false;
  } else if (action == "late") {
    fault.kind = ReplyFaultKind::kLate;
    fault.value = entry.Number("ms");
    executable = false;
  } else {
    entry.Fail("has an unknown action \"" + action + "\"");
  }
  if (executable) {
    fault.execute = entry.Flag("execute");
  }
  entry.Finish();
  faults.replies.push_back(fault);
}

void ReadFlashFault(FaultEntry& entry, FaultSet& faults) {
  FlashFault fault;
  const std::string kind = entry.Text("flash");
  if (kind == "write") {
    fault.kind = FlashFaultKind::kWriteFails;
  } else if (kind == "erase") {
    fault.kind = FlashFaultKind::kEraseFails;
  } else if (kind == "bitFlip") {
    fault.kind = FlashFaultKind::kBitFlip;
    fault.offset = entry.NumberOr("offset", 0, 0, 65535);
    fault.bit = entry.NumberOr("bit", 0, 0, 7);
  } else if (kind == "xLoaderWrite") {
    fault.kind = FlashFaultKind::kXLoaderWriteFails;
    fault.offset = entry.NumberOr("offset", 16384);
  } else {
    entry.Fail("has an unknown flash fault \"" + kind + "\"");
  }
  fault.request = entry.CountOr("request", 1);
  fault.times = entry.NumberOr("times", 1);
  entry.Finish();
  faults.flash.push_back(fault);
}

void ReadRestartFault(FaultEntry& entry, FaultSet& faults) {
  RestartFault fault;
  fault.restart = entry.Count("restart");
  fault.never = entry.Flag("never");
  fault.lateMs = entry.NumberOr("lateMs", 0, 0, std::numeric_limits<int32_t>::max());
  if (entry.Has("machineType")) {
    fault.machineType = entry.Number("machineType");
  }
  fault.bootMode = entry.Flag("bootMode");
  fault.notReadyProbes = entry.NumberOr("notReadyProbes", 0);
  entry.Finish();
  faults.restarts.push_back(fault);
}

void ReadPowerCut(FaultEntry& entry, FaultSet& faults) {
  PowerCut cut;
  if (entry.Has("powerCutInFlash")) {
    cut.operation = entry.Count("powerCutInFlash");
    cut.bytes = entry.NumberOr("bytes", 0);
  } else if (entry.Has("unplug")) {
    cut.packet = entry.Count("unplug");
    cut.replugMs = entry.NumberOr("replugMs", 1000, 0, std::numeric_limits<int32_t>::max());
  } else {
    cut.packet = entry.Count("powerCutAfterPacket");
  }
  entry.Finish();
  faults.powerCuts.push_back(cut);
}

}  // namespace

void AddFault(const json& entry, FaultSet& faults) {
  FaultEntry fault(entry);
  if (fault.Has("flash")) {
    ReadFlashFault(fault, faults);
  } else if (fault.Has("vanish")) {
    VanishFault vanish{fault.Number("vanish"), fault.CountOr("request", 1)};
    fault.Finish();
    faults.vanish.push_back(vanish);
  } else if (fault.Has("restart")) {
    ReadRestartFault(fault, faults);
  } else if (fault.Has("powerCutAfterPacket") || fault.Has("powerCutInFlash") ||
             fault.Has("unplug")) {
    ReadPowerCut(fault, faults);
  } else if (fault.Has("action") || fault.Has("code") || fault.Has("subCommand") ||
             fault.Has("selector")) {
    ReadReplyFault(fault, faults);
  } else {
    fault.Fail("is none of a reply, flash, vanish, restart or power fault");
  }
}

FaultSet ScenarioFaults(const json& document) {
  if (!document.is_object() || !document.contains("faults") || !document.at("faults").is_array()) {
    throw std::invalid_argument("a scenario is an object with a list \"faults\"");
  }
  for (const auto& [key, value] : document.items()) {
    // The writer, answers and tail are the seeded simulation's (tests/simulation).
    if (key != "faults" && key != "description" && key != "writer" && key != "answers" &&
        key != "tail") {
      throw std::invalid_argument("a scenario has an unknown key \"" + key + "\"");
    }
  }
  FaultSet faults;
  for (const json& entry : document.at("faults")) {
    AddFault(entry, faults);
  }
  return faults;
}

FaultSet LoadScenario(const std::string& path) {
  std::ifstream in(path);
  if (!in) {
    throw std::runtime_error("cannot read " + path);
  }
  json document = json::parse(in, nullptr, false);
  if (document.is_discarded()) {
    throw std::invalid_argument(path + " is not JSON");
  }
  try {
    return ScenarioFaults(document);
  } catch (const std::invalid_argument& error) {
    throw std::invalid_argument(path + ": " + error.what());
  }
}

}  // namespace solvane
