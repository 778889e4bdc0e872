#include "sim/scenario_file.h"

#include <fstream>
#include <stdexcept>

namespace solvane {

namespace {

using nlohmann::json;

uint32_t Number(const json& value) {
  if (value.is_string()) {
    return static_cast<uint32_t>(std::stoul(value.get<std::string>(), nullptr, 0));
  }
  return value.get<uint32_t>();
}

uint32_t NumberOr(const json& entry, const char* key, uint32_t fallback) {
  return entry.contains(key) ? Number(entry.at(key)) : fallback;
}

ReplyFaultKind KindOf(const std::string& action) {
  if (action == "noReply") {
    return ReplyFaultKind::kNoReply;
  }
  if (action == "shortReply") {
    return ReplyFaultKind::kShortReply;
  }
  if (action == "wrongCode") {
    return ReplyFaultKind::kWrongCode;
  }
  if (action == "status") {
    return ReplyFaultKind::kStatus;
  }
  throw std::invalid_argument("unknown fault action " + action);
}

}  // namespace

void AddFault(const json& entry, FaultSet& faults) {
  if (entry.contains("code")) {
    ReplyFault fault;
    fault.code = static_cast<uint16_t>(Number(entry.at("code")));
    fault.request = NumberOr(entry, "request", 0);
    fault.chunk = NumberOr(entry, "chunk", 0);
    if ((fault.request == 0) == (fault.chunk == 0)) {
      throw std::invalid_argument("a reply fault needs one of request and chunk");
    }
    fault.times = NumberOr(entry, "times", 1);
    fault.kind = KindOf(entry.at("action").get<std::string>());
    fault.value =
        NumberOr(entry, "bytes", NumberOr(entry, "replyCode", NumberOr(entry, "status", 0)));
    fault.statusParam1 = NumberOr(entry, "param1", 0);
    fault.execute = entry.value("execute", false);
    faults.replies.push_back(fault);
  } else if (entry.contains("flash")) {
    FlashFault fault;
    std::string kind = entry.at("flash").get<std::string>();
    fault.kind = kind == "write"     ? FlashFaultKind::kWriteFails
                 : kind == "erase"   ? FlashFaultKind::kEraseFails
                 : kind == "bitFlip" ? FlashFaultKind::kBitFlip
                                     : throw std::invalid_argument("unknown flash fault " + kind);
    fault.request = NumberOr(entry, "request", 1);
    fault.times = NumberOr(entry, "times", 1);
    fault.offset = NumberOr(entry, "offset", 0);
    fault.bit = NumberOr(entry, "bit", 0);
    faults.flash.push_back(fault);
  } else if (entry.contains("vanish")) {
    faults.vanish.push_back({Number(entry.at("vanish")), NumberOr(entry, "request", 1)});
  } else if (entry.contains("restart")) {
    faults.restarts.push_back(
        {Number(entry.at("restart")), entry.value("never", false), NumberOr(entry, "lateMs", 0)});
  } else {
    throw std::invalid_argument("unknown fault " + entry.dump());
  }
}

FaultSet LoadScenario(const std::string& path) {
  std::ifstream in(path);
  if (!in) {
    throw std::runtime_error("cannot read " + path);
  }
  FaultSet faults;
  json document = json::parse(in);
  for (const json& entry : document.at("faults")) {
    AddFault(entry, faults);
  }
  return faults;
}

}  // namespace solvane
