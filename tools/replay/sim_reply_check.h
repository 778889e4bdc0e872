#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sim/sim_writer.h"
#include "sim/virtual_host_time.h"
#include "tests/support/virtual_clock.h"
#include "tools/replay/replay_device_access.h"

namespace solvane {

// Sends the replayed run's requests, which match the recording's, to the
// simulated writer as well, and compares each of its replies with the one the
// recorded writer gave. Replies that depend on what a recording cannot carry
// over to the simulator (the writer's clock, the sensor board's flash seen only
// through its CRC) are counted as not comparable when they differ.
class SimReplyCheck final : public ReplayObserver {
 public:
  SimReplyCheck(WriterState state, const ResourceSource& resources);
  ~SimReplyCheck() override;

  void Opened() override;
  void Sent(std::span<const uint8_t> request) override;
  void Answered(const RecordedLine& reply, uint32_t capacity) override;

  size_t compared = 0;
  size_t notComparable = 0;
  std::vector<std::string> differences;  // "line N: recorded ...; simulator ..."

 private:
  VirtualClock clock_;
  VirtualHostTime hostTime_{clock_};
  SimWriter writer_;
  std::unique_ptr<CallFormatter> formatter_;
  std::vector<uint8_t> reply_;
  bool replyPending_ = false;
  bool away_ = false;
  uint16_t requestCode_ = 0;
  uint32_t requestParam0_ = 0;
};

}  // namespace solvane
