#include "sim/fault_plan.h"

#include "device/request_codes.h"

namespace solvane {

bool FaultPlan::Fires(uint32_t trigger, uint32_t times, uint32_t count) {
  return count >= trigger && (times == 0 || count - trigger < times);
}

uint32_t FaultPlan::CountOf(const ReplyFault& fault) const {
  auto find = [](const auto& counts, auto key) {
    auto counted = counts.find(key);
    return counted == counts.end() ? 0u : counted->second;
  };
  if (fault.subCommand) {
    return find(subCommandCounts_, *fault.subCommand);
  }
  if (fault.selector) {
    return find(selectorCounts_, *fault.selector);
  }
  return find(requestCounts_, fault.code);
}

std::optional<ReplyFault> FaultPlan::OnRequest(const PacketHeader& header, uint32_t chunk) {
  ++requestCounts_[header.code];
  if (header.code == kSendCommand) {
    ++subCommandCounts_[header.param[0]];
  } else if (header.code == kQueryPartition) {
    ++selectorCounts_[header.param[0]];
  }
  for (size_t i = 0; i < faults_.replies.size(); ++i) {
    const ReplyFault& fault = faults_.replies[i];
    if (fault.code != header.code || (fault.subCommand && *fault.subCommand != header.param[0]) ||
        (fault.selector && *fault.selector != header.param[0])) {
      continue;
    }
    if (fault.request != 0 && Fires(fault.request, fault.times, CountOf(fault))) {
      return fault;
    }
    if (fault.request == 0 && fault.chunk != 0 && fault.chunk == chunk) {
      uint32_t& fired = chunkFirings_[i];
      if (fault.times == 0 || fired < fault.times) {
        ++fired;
        return fault;
      }
    }
  }
  return std::nullopt;
}

std::optional<FlashFault> FaultPlan::OnFlashWrite() {
  ++writes_;
  for (const FlashFault& fault : faults_.flash) {
    if ((fault.kind == FlashFaultKind::kWriteFails || fault.kind == FlashFaultKind::kBitFlip) &&
        Fires(fault.request, fault.times, writes_)) {
      return fault;
    }
  }
  return std::nullopt;
}

bool FaultPlan::OnFlashErase() {
  ++erases_;
  for (const FlashFault& fault : faults_.flash) {
    if (fault.kind == FlashFaultKind::kEraseFails && Fires(fault.request, fault.times, erases_)) {
      return true;
    }
  }
  return false;
}

std::optional<uint32_t> FaultPlan::OnXLoaderWrite() {
  ++xLoaderWrites_;
  for (const FlashFault& fault : faults_.flash) {
    if (fault.kind == FlashFaultKind::kXLoaderWriteFails &&
        Fires(fault.request, fault.times, xLoaderWrites_)) {
      return fault.offset;
    }
  }
  return std::nullopt;
}

std::optional<PowerCut> FaultPlan::OnPacket() {
  ++packets_;
  for (const PowerCut& cut : faults_.powerCuts) {
    if (cut.packet == packets_) {
      return cut;
    }
  }
  return std::nullopt;
}

std::optional<PowerCut> FaultPlan::OnFlashOperation() {
  ++operations_;
  for (const PowerCut& cut : faults_.powerCuts) {
    if (cut.packet == 0 && cut.operation == operations_) {
      return cut;
    }
  }
  return std::nullopt;
}

bool FaultPlan::PartitionVanished(uint32_t selector) const {
  auto counted = selectorCounts_.find(selector);
  uint32_t count = counted == selectorCounts_.end() ? 0 : counted->second;
  for (const VanishFault& fault : faults_.vanish) {
    if (fault.selector == selector && count >= fault.request) {
      return true;
    }
  }
  return false;
}

std::optional<RestartFault> FaultPlan::OnRestart() {
  ++restarts_;
  for (const RestartFault& fault : faults_.restarts) {
    if (fault.restart == restarts_) {
      return fault;
    }
  }
  return std::nullopt;
}

}  // namespace solvane
