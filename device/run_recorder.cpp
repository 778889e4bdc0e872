#include "device/run_recorder.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "device/packet_header.h"
#include "device/request_code_name.h"
#include "package/crc32.h"

namespace solvane {

namespace {

// Shorter runs of printable bytes in a read-back are mostly code, not text.
constexpr size_t kShortestText = 8;

void AppendHex(std::string& line, uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof(text), "\"0x%0*X\"", digits, value);
  line += text;
}

void AppendNumber(std::string& line, const char* key, int64_t value) {
  char text[64];
  std::snprintf(text, sizeof(text), ",\"%s\":%lld", key, static_cast<long long>(value));
  line += text;
}

// Bytes of the Windows code page, each as the Latin-1 character of its value.
void AppendText(std::string& line, std::string_view text) {
  line += '"';
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte == '"' || byte == '\\') {
      line += '\\';
      line += c;
    } else if (byte < 0x20 || byte >= 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\u%04X", byte);
      line += escaped;
    } else {
      line += c;
    }
  }
  line += '"';
}

void AppendBytes(std::string& line, std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  line += '"';
  for (uint8_t byte : bytes) {
    line += kDigits[byte >> 4];
    line += kDigits[byte & 0xF];
  }
  line += '"';
}

}  // namespace

RunRecorder::RunRecorder(RecordingSink& sink,
                         std::function<uint64_t()> steadyMs,
                         const ResourceSource& carried,
                         std::string_view program)
    : sink_(sink), steadyMs_(std::move(steadyMs)), carried_(carried), lastMs_(steadyMs_()) {
  std::string line = "{\"recording\":\"solvane\"";
  AppendNumber(line, "version", kRecordingVersion);
  line += ",\"program\":";
  AppendText(line, program);
  line += ",\"view\":\"program\"}";
  sink_.Append(line);
}

std::string RunRecorder::Begin(const char* call) {
  uint64_t now = steadyMs_();
  std::string line = "{\"call\":\"";
  line += call;
  line += '"';
  AppendNumber(line, "dt", static_cast<int64_t>(now - lastMs_));
  lastMs_ = now;
  return line;
}

void RunRecorder::AppendPacket(std::string& line, std::span<const uint8_t> packet, bool request) {
  AppendNumber(line, "bytes", static_cast<int64_t>(packet.size()));
  if (packet.size() < kPacketHeaderSize) {
    if (!request && !packet.empty()) {
      line += ",\"raw\":";
      AppendBytes(line, packet);
    }
    return;
  }
  PacketHeader header = DecodePacketHeader(packet.data());
  std::span<const uint8_t> payload = packet.subspan(kPacketHeaderSize);
  line += ",\"code\":";
  AppendHex(line, header.code, 4);
  line += ",\"name\":\"";
  line += RequestCodeName(header.code);
  line += '"';
  AppendNumber(line, "seq", header.sequence);
  line += ",\"params\":[";
  for (int i = 0; i < 5; ++i) {
    line += i == 0 ? "" : ",";
    AppendHex(line, header.param[i], 8);
  }
  line += ']';
  AppendNumber(line, "length", header.length);
  line += ",\"payloadCrc\":";
  AppendHex(line, Crc32Of(payload.data(), payload.size()), 8);
  if (header.magic != kPacketMagic) {
    line += ",\"magic\":";
    AppendHex(line, header.magic, 4);
  }
  if (request || payload.empty()) {
    return;
  }
  if (header.code == kReadMemory && lastRequestCode_ == kReadMemory) {
    AppendReadBack(line, payload);
  } else {
    line += ",\"payload\":";
    AppendBytes(line, payload);
  }
}

void RunRecorder::AppendReadBack(std::string& line, std::span<const uint8_t> payload) {
  // Where in its partition the read began, and whether the partition is private.
  uint32_t address = lastRequestParams_[0];
  std::optional<uint32_t> offset;
  bool isPrivate = false;
  auto partition = partitions_.upper_bound(address);
  if (partition != partitions_.begin() &&
      address - std::prev(partition)->first < std::prev(partition)->second.size) {
    offset = address - std::prev(partition)->first;
    isPrivate = std::prev(partition)->second.isPrivate;
  }
  if (auto match = offset ? carried_.Find(*offset, payload) : std::nullopt) {
    AppendNumber(line, "carriedImage", match->image);
    AppendNumber(line, "carriedOffset", match->offset);
    return;
  }
  if (isPrivate) {
    line += ",\"private\":true";
    return;
  }
  // What a person (and a replay) needs of other read-backs, such as an older
  // loader: the texts in it, where they are.
  line += ",\"texts\":[";
  const char* separator = "";
  for (size_t at = 0; at < payload.size();) {
    size_t end = at;
    while (end < payload.size() && payload[end] >= 0x20 && payload[end] < 0x7F) {
      ++end;
    }
    if (end - at >= kShortestText) {
      char start[32];
      std::snprintf(start, sizeof(start), "%s[%zu,", separator, at);
      line += start;
      AppendText(line, {reinterpret_cast<const char*>(payload.data() + at), end - at});
      line += ']';
      separator = ",";
    }
    at = end + 1;
  }
  line += ']';
}

void RunRecorder::NotePartition(std::span<const uint8_t> reply) {
  if (lastRequestCode_ != kQueryPartition || reply.size() < kPacketHeaderSize) {
    return;
  }
  PacketHeader header = DecodePacketHeader(reply.data());
  if (header.code == kQueryPartition && header.param[1] != 0) {
    uint32_t selector = lastRequestParams_[0];
    // The WiFi partitions hold the user's network settings.
    bool isPrivate = selector == kWifiNvsPartition || selector == kWifiApplicationPartition;
    partitions_[header.param[0]] = {header.param[1], isPrivate};
  }
}

void RunRecorder::Enumerate(uint32_t index, uint32_t result) {
  std::string line = Begin("enumerate");
  AppendNumber(line, "index", index);
  AppendNumber(line, "result", result);
  sink_.Append(line + '}');
}

void RunRecorder::Open(uint32_t result) {
  std::string line = Begin("open");
  AppendNumber(line, "result", result);
  sink_.Append(line + '}');
}

void RunRecorder::Write(std::span<const uint8_t> packet, uint32_t result, uint32_t written) {
  if (packet.size() >= kPacketHeaderSize) {
    PacketHeader header = DecodePacketHeader(packet.data());
    lastRequestCode_ = header.code;
    std::copy(std::begin(header.param), std::end(header.param), lastRequestParams_);
  }
  std::string line = Begin("write");
  AppendPacket(line, packet, true);
  AppendNumber(line, "result", result);
  if (written != packet.size()) {
    AppendNumber(line, "written", written);
  }
  sink_.Append(line + '}');
}

void RunRecorder::Read(std::span<const uint8_t> packet, uint32_t capacity, uint32_t result) {
  NotePartition(packet);
  std::string line = Begin("read");
  AppendNumber(line, "capacity", capacity);
  AppendNumber(line, "result", result);
  AppendPacket(line, packet, false);
  sink_.Append(line + '}');
}

void RunRecorder::Control(uint32_t controlCode, uint32_t result) {
  std::string line = Begin("control");
  AppendNumber(line, "controlCode", controlCode);
  AppendNumber(line, "result", result);
  sink_.Append(line + '}');
}

void RunRecorder::Close(uint32_t result) {
  std::string line = Begin("close");
  AppendNumber(line, "result", result);
  sink_.Append(line + '}');
}

void RunRecorder::Now(int64_t time) {
  std::string line = Begin("now");
  AppendNumber(line, "time", time);
  sink_.Append(line + '}');
}

void RunRecorder::LocalTime(int64_t time, const std::tm& local) {
  std::string line = Begin("localTime");
  AppendNumber(line, "time", time);
  char text[160];
  std::snprintf(text, sizeof(text), ",\"tm\":[%d,%d,%d,%d,%d,%d,%d,%d,%d]", local.tm_year,
                local.tm_mon, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                local.tm_wday, local.tm_yday, local.tm_isdst);
  line += text;
  sink_.Append(line + '}');
}

void RunRecorder::TimeZone(const TimeZoneBiases& zone) {
  std::string line = Begin("timeZone");
  AppendNumber(line, "bias", zone.bias);
  AppendNumber(line, "standardBias", zone.standardBias);
  AppendNumber(line, "daylightBias", zone.daylightBias);
  sink_.Append(line + '}');
}

void RunRecorder::Answered(std::string_view text,
                           std::string_view caption,
                           uint32_t style,
                           int answer) {
  std::string line = Begin("box");
  line += ",\"caption\":";
  AppendText(line, caption);
  AppendNumber(line, "style", style);
  line += ",\"text\":";
  AppendText(line, text);
  AppendNumber(line, "answer", answer);
  sink_.Append(line + '}');
}

void RunRecorder::LogOpen(bool opened) {
  std::string line = Begin("logOpen");
  line += opened ? ",\"opened\":true}" : ",\"opened\":false}";
  sink_.Append(line);
}

void RunRecorder::LogWrite(std::string_view bytes, bool written) {
  std::string line = Begin("log");
  line += ",\"text\":";
  AppendText(line, bytes);
  sink_.Append(line + (written ? "}" : ",\"written\":false}"));
}

}  // namespace solvane
