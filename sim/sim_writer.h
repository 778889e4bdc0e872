#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/packet_header.h"
#include "sim/fault_plan.h"
#include "sim/host_time.h"
#include "sim/image_transfer.h"
#include "sim/sensor_board.h"
#include "sim/sim_timing.h"
#include "sim/transcript.h"
#include "sim/writer_clock.h"
#include "sim/writer_display.h"
#include "sim/writer_files.h"
#include "sim/writer_memory.h"
#include "sim/writer_state.h"

namespace solvane {

// The simulated writer's firmware: takes one request packet and gives zero or
// one reply packet. Transports (socket server, in-process device access) move
// the packets and carry out the restart it asks for.
class SimWriter {
 public:
  SimWriter(WriterState state,
            const HostTime& hostTime,
            FaultPlan faults = {},
            SimTiming timing = {},
            Transcript* transcript = nullptr);

  // False when the writer sends no reply.
  bool Handle(std::span<const uint8_t> request, std::vector<uint8_t>& reply);

  // Set once a reset request was answered; the writer then drops its link.
  bool restartRequested() const { return restartRequested_; }
  // How long the writer stays away for the requested restart; empty: for ever
  // (a restart fault, or no X-Loader that starts).
  std::optional<uint32_t> RestartDurationMs() const;
  // The writer comes back: pending application and boot code take effect, and
  // the restart fault of this restart, if any, shows.
  void CompleteRestart();
  // The power went off (a power cut, or the writer was unplugged): it answers
  // nothing until PowerOn. `replugMs`: it is plugged back in that much later.
  bool poweredOff() const { return !powered_; }
  std::optional<uint32_t> replugMs() const { return replugMs_; }
  // The writer starts from what its flash holds (sim/README.md, "Power").
  void PowerOn();
  // Whether it gets as far as enumerating: an intact X-Loader and boot code.
  bool Starts() const { return memory_.XLoaderBootable() && identity_.bootIntact; }
  // Every fault that fired, as "kind@request code" (0: at a restart), in order.
  const std::vector<std::string>& firedFaults() const { return fired_; }
  // The size of the flash operation a power cut stopped (an install counts 1).
  size_t cutOperationSize() const { return cutOperationSize_; }
  // How late the last reply comes (a late-reply fault).
  uint32_t replyDelayMs() const { return replyDelayMs_; }
  // How long the last request kept the writer busy (realistic timing only).
  uint32_t lastBusyMs() const { return lastBusyMs_; }

  // Everything the writer holds, as the state store saves it and StateReport shows it.
  WriterState State() const;
  const WriterIdentity& identity() const { return identity_; }
  const WriterDisplay& display() const { return display_; }
  const WriterMemory& memory() const { return memory_; }
  const SensorBoard& sensor() const { return sensor_; }
  const WriterFiles& files() const { return files_; }
  const std::optional<PendingImage>& pendingApplication() const { return pendingApplication_; }
  const std::optional<PendingImage>& pendingBoot() const { return pendingBoot_; }

 private:
  struct Packet {
    PacketHeader header;
    std::span<const uint8_t> payload;
  };

  void Dispatch(const Packet& request);
  void Transfer(const Packet& request);
  void InstallImage(uint16_t code, std::vector<uint8_t> image);
  void ReadMemory(const Packet& request);
  void EraseFlash(const Packet& request);
  void WriteFlash(const Packet& request);
  void QueryPartition(const Packet& request);
  void Command(const Packet& request);
  void Identify();
  void ShowMessage(const Packet& request);
  void Reset();
  bool RefuseWhileBusy();
  // The bytes a flash operation of `size` gets through before a power cut; empty: all of them.
  std::optional<size_t> CutInside(size_t size);
  void PowerOff(const PowerCut& cut, const char* kind);
  void Fired(const char* kind);
  void Install(std::optional<PendingImage>& pending,
               bool& intact,
               uint32_t& version,
               uint32_t& build);
  void BreakReply(const ReplyFault& fault, uint16_t requestCode);
  void AlterReply(const ReplyFault& fault);

  void Reply(uint16_t code,
             std::initializer_list<uint32_t> params,
             std::span<const uint8_t> payload = {});
  void Status(uint32_t error, uint32_t param1 = 0);
  ImageTransfer* TransferOf(uint16_t code);
  uint32_t maximumChunk() const { return MaximumChunk(identity_.machineType); }

  const HostTime& hostTime_;
  FaultPlan faults_;
  SimTiming timing_;
  Transcript* transcript_;

  WriterIdentity identity_;
  std::optional<PendingImage> pendingApplication_;
  std::optional<PendingImage> pendingBoot_;
  WriterMemory memory_;
  SensorBoard sensor_;
  WriterFiles files_;
  WriterClock clock_;
  WriterDisplay display_;

  ImageTransfer applicationTransfer_;
  ImageTransfer bootTransfer_;
  ImageTransfer xLoaderTransfer_;
  std::optional<uint32_t> announcedCrc_;
  bool restartRequested_ = false;
  std::optional<RestartFault> restartFault_;
  uint32_t notReadyProbes_ = 0;
  std::optional<std::string> shown_;  // the text the last request put on the display
  uint32_t lastBusyMs_ = 0;
  bool powered_ = true;
  std::optional<uint32_t> replugMs_;
  uint32_t replyDelayMs_ = 0;
  uint16_t currentCode_ = 0;
  size_t cutOperationSize_ = 0;
  std::vector<std::string> fired_;

  uint32_t sequence_ = 0;
  std::vector<uint8_t>* reply_ = nullptr;
  bool replied_ = false;
  std::vector<uint8_t> scratch_;
};

}  // namespace solvane
