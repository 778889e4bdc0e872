#include "sim/fault_plan.h"

#include "device/request_codes.h"

namespace solvane {

bool FaultPlan::Fires(uint32_t trigger, uint32_t times, uint32_t count) {
  return count >= trigger && (times == 0 || count - trigger < times);
}

std::optional<ReplyFault> FaultPlan::OnRequest(uint16_t code, uint32_t chunk) {
  uint32_t count = ++requestCounts_[code];
  for (size_t i = 0; i < faults_.replies.size(); ++i) {
    const ReplyFault& fault = faults_.replies[i];
    if (fault.code != code) {
      continue;
    }
    if (fault.request != 0 && Fires(fault.request, fault.times, count)) {
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
    if (fault.kind != FlashFaultKind::kEraseFails && Fires(fault.request, fault.times, writes_)) {
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

bool FaultPlan::PartitionVanished(uint32_t selector) const {
  auto counted = requestCounts_.find(kQueryPartition);
  uint32_t count = counted == requestCounts_.end() ? 0 : counted->second;
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
