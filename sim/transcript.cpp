#include "sim/transcript.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "device/packet_header.h"
#include "device/request_code_name.h"
#include "device/run_recorder.h"
#include "package/crc32.h"
#include "sim/latin1_text.h"

namespace solvane {

namespace {

std::string Hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%0*X", digits, value);
  return text;
}

}  // namespace

Transcript::Transcript(std::ostream* sink, bool keepEntries)
    : sink_(sink), keepEntries_(keepEntries) {
  if (sink_ != nullptr) {
    // The header of a program's recording, from the writer's side.
    *sink_ << nlohmann::json({{"recording", "solvane"},
                              {"version", kRecordingVersion},
                              {"program", "solvane-writer-sim"},
                              {"view", "writer"}})
                  .dump()
           << '\n';
  }
}

void Transcript::Record(int64_t timeMs,
                        bool request,
                        std::span<const uint8_t> packet,
                        const std::optional<std::string>& display) {
  TranscriptEntry entry;
  entry.display = display;
  entry.timeMs = timeMs;
  entry.request = request;
  entry.bytes = static_cast<uint32_t>(packet.size());
  if (packet.size() >= kPacketHeaderSize) {
    PacketHeader header = DecodePacketHeader(packet.data());
    entry.code = header.code;
    entry.sequence = header.sequence;
    std::copy(std::begin(header.param), std::end(header.param), entry.params);
    entry.length = header.length;
    entry.payloadCrc =
        Crc32Of(packet.data() + kPacketHeaderSize, packet.size() - kPacketHeaderSize);
  }
  if (sink_ != nullptr) {
    nlohmann::json line = {
        {"t", entry.timeMs}, {"dir", request ? "request" : "reply"}, {"bytes", entry.bytes}};
    if (packet.size() >= kPacketHeaderSize) {
      line["code"] = Hex(entry.code, 4);
      line["name"] = RequestCodeName(entry.code);
      line["seq"] = entry.sequence;
      line["params"] = nlohmann::json::array();
      for (uint32_t param : entry.params) {
        line["params"].push_back(Hex(param, 8));
      }
      line["length"] = entry.length;
      line["payloadCrc"] = Hex(entry.payloadCrc, 8);
    }
    if (display) {
      line["display"] = Latin1ToUtf8(*display);
    }
    *sink_ << line.dump() << '\n';
    sink_->flush();
  }
  if (keepEntries_) {
    entries_.push_back(entry);
  }
}

}  // namespace solvane
