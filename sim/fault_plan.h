#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include "device/packet_header.h"
#include "sim/fault_set.h"

namespace solvane {

// Counts requests, flash operations and restarts, and tells which fault fires.
class FaultPlan {
 public:
  FaultPlan() = default;
  explicit FaultPlan(FaultSet faults) : faults_(std::move(faults)) {}

  // Counts one request; `chunk` is its chunk number in a transfer, else 0.
  std::optional<ReplyFault> OnRequest(const PacketHeader& header, uint32_t chunk);
  std::optional<FlashFault> OnFlashWrite();
  bool OnFlashErase();
  // The bytes the next X-Loader partition write gets through; empty: all.
  std::optional<uint32_t> OnXLoaderWrite();
  // Whether the partition is gone at the query of it counted last.
  bool PartitionVanished(uint32_t selector) const;
  std::optional<RestartFault> OnRestart();
  // Counts one answered packet or one flash operation: the power cut that strikes there.
  std::optional<PowerCut> OnPacket();
  std::optional<PowerCut> OnFlashOperation();

 private:
  static bool Fires(uint32_t trigger, uint32_t times, uint32_t count);
  uint32_t CountOf(const ReplyFault& fault) const;

  FaultSet faults_;
  std::map<uint16_t, uint32_t> requestCounts_;
  std::map<uint32_t, uint32_t> subCommandCounts_;
  std::map<uint32_t, uint32_t> selectorCounts_;
  std::map<size_t, uint32_t> chunkFirings_;  // index into faults_.replies
  uint32_t writes_ = 0;
  uint32_t erases_ = 0;
  uint32_t xLoaderWrites_ = 0;
  uint32_t restarts_ = 0;
  uint32_t packets_ = 0;
  uint32_t operations_ = 0;
};

}  // namespace solvane
