#include "tools/replay/sim_reply_check.h"

#include "device/packet_header.h"
#include "device/request_codes.h"
#include "device/run_recorder.h"
#include "device/windows_errors.h"

namespace solvane {

namespace {

// What two replies are compared on: all their packet fields, the payload
// through its CRC (read-backs are kept only so).
constexpr const char* kComparedKeys[] = {"result", "bytes",  "code",       "seq",
                                         "params", "length", "payloadCrc", "raw"};

}  // namespace

SimReplyCheck::SimReplyCheck(WriterState state, const ResourceSource& resources)
    : writer_(std::move(state), hostTime_),
      formatter_(std::make_unique<CallFormatter>(resources, "simulator")) {}

SimReplyCheck::~SimReplyCheck() = default;

void SimReplyCheck::Opened() {
  if (away_) {
    writer_.CompleteRestart();
    away_ = false;
  }
  replyPending_ = false;
}

void SimReplyCheck::Sent(std::span<const uint8_t> request) {
  formatter_->recorder.Write(request, 0, static_cast<uint32_t>(request.size()));
  if (request.size() >= kPacketHeaderSize) {
    PacketHeader header = DecodePacketHeader(request.data());
    requestCode_ = header.code;
    requestParam0_ = header.param[0];
  }
  replyPending_ = !away_ && writer_.Handle(request, reply_);
  away_ = away_ || (writer_.restartRequested() && !replyPending_);
}

void SimReplyCheck::Answered(const RecordedLine& reply, uint32_t capacity) {
  std::vector<uint8_t> simulated;
  uint32_t result = kErrorSemTimeout;
  if (replyPending_) {
    simulated = reply_;
    result = 0;
    replyPending_ = false;
    away_ = writer_.restartRequested();
  }
  formatter_->recorder.Read(simulated, capacity, result);
  nlohmann::ordered_json mine = formatter_->Last();
  bool same = true;
  for (const char* key : kComparedKeys) {
    same = same && reply.fields.value(key, nlohmann::ordered_json()) ==
                       mine.value(key, nlohmann::ordered_json());
  }
  if (same) {
    ++compared;
    return;
  }
  // The writer's clock, and the sensor board's code, which the recording shows
  // only as CRCs, cannot be set from a recording.
  bool sensorCrc = requestCode_ == kSendCommand && requestParam0_ == kSensorCrc;
  if (requestCode_ == kExchangeClock || sensorCrc) {
    ++notComparable;
    return;
  }
  nlohmann::ordered_json recorded = reply.fields;
  recorded.erase("dt");
  mine.erase("dt");
  differences.push_back("line " + std::to_string(reply.number) +
                        ":\n  recorded:  " + recorded.dump() + "\n  simulator: " + mine.dump());
}

}  // namespace solvane
