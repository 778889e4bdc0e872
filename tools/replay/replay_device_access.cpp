#include "tools/replay/replay_device_access.h"

#include <algorithm>
#include <cstring>

#include "device/packet_header.h"
#include "device/windows_errors.h"

namespace solvane {

namespace {

constexpr const char* kDevicePath = "replay://writer";

// The bytes of a recorded text: each character's value.
std::string Latin1Bytes(const std::string& utf8) {
  std::string bytes;
  for (size_t i = 0; i < utf8.size(); ++i) {
    auto byte = static_cast<unsigned char>(utf8[i]);
    if (byte >= 0xC0 && i + 1 < utf8.size()) {
      bytes += static_cast<char>(((byte & 0x03) << 6) | (utf8[++i] & 0x3F));
    } else {
      bytes += static_cast<char>(byte);
    }
  }
  return bytes;
}

std::vector<uint8_t> FromHex(const std::string& text) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

uint32_t Number(const nlohmann::ordered_json& fields, const char* key, uint32_t otherwise = 0) {
  if (!fields.contains(key)) {
    return otherwise;
  }
  const nlohmann::ordered_json& value = fields[key];
  if (value.is_string()) {
    return static_cast<uint32_t>(std::stoul(value.get<std::string>(), nullptr, 0));
  }
  return value.get<uint32_t>();
}

// A read-back kept as its digest and texts is served as its texts, each ended
// by a zero, in bytes drawn from the digest: read-backs recorded unequal stay
// unequal (to each other and to the carried images), and the texts the program
// looks for are where they were.
void AppendStandIn(const nlohmann::ordered_json& fields,
                   uint32_t length,
                   std::vector<uint8_t>& packet) {
  size_t start = packet.size();
  uint32_t digest = Number(fields, "payloadCrc");
  for (uint32_t i = 0; i < length; ++i) {
    packet.push_back(static_cast<uint8_t>(0x80 | (digest >> (8 * (i % 4)))));
  }
  for (const nlohmann::ordered_json& text :
       fields.value("texts", nlohmann::ordered_json::array())) {
    std::string bytes = Latin1Bytes(text[1]);
    bytes += '\0';
    size_t at = start + text[0].get<size_t>();
    bytes.resize(std::min(bytes.size(), packet.size() - std::min(at, packet.size())));
    std::copy(bytes.begin(), bytes.end(), packet.begin() + static_cast<std::ptrdiff_t>(at));
  }
}

class ReplayHandle final : public DeviceHandle {
 public:
  explicit ReplayHandle(ReplayDeviceAccess& access) : access_(access) {}
  uint32_t Write(const uint8_t* data, uint32_t size, uint32_t& written) override {
    return access_.Write(data, size, written);
  }
  uint32_t Read(uint8_t* buffer, uint32_t capacity, uint32_t& read) override {
    return access_.Read(buffer, capacity, read);
  }
  uint32_t Control(uint32_t controlCode) override { return access_.Control(controlCode); }
  uint32_t Close() override { return access_.Close(); }

 private:
  ReplayDeviceAccess& access_;
};

}  // namespace

std::optional<RecordedLine> ReplayScript::Take(const nlohmann::ordered_json& asked,
                                               std::initializer_list<const char*> keys) {
  if (first) {
    return std::nullopt;
  }
  if (lines_.empty()) {
    Report(0, "the end of the recording", asked.dump());
    return std::nullopt;
  }
  const RecordedLine& next = lines_.front();
  bool same = next.call() == asked.value("call", "");
  for (const char* key : keys) {
    same = same && next.fields.value(key, nlohmann::ordered_json()) ==
                       asked.value(key, nlohmann::ordered_json());
  }
  if (!same) {
    nlohmann::ordered_json recorded = next.fields;
    recorded.erase("dt");
    Report(next.number, recorded.dump(), asked.dump());
    return std::nullopt;
  }
  RecordedLine taken = next;
  lines_.pop_front();
  return taken;
}

ReplayDeviceAccess::ReplayDeviceAccess(ReplayScript& script, const ResourceSource& resources)
    : script_(script),
      carried_(resources),
      asked_(std::make_unique<CallFormatter>(resources, "replay")) {}

ReplayDeviceAccess::~ReplayDeviceAccess() = default;

std::optional<RecordedLine> ReplayDeviceAccess::Take(std::initializer_list<const char*> keys) {
  nlohmann::ordered_json asked = asked_->Last();
  asked.erase("dt");
  return script_.Take(asked, keys);
}

uint32_t ReplayDeviceAccess::EnumerateInterface(const InterfaceClassGuid& interfaceClass,
                                                uint32_t index,
                                                std::string& devicePath) {
  asked_->recorder.Enumerate(index, 0);
  std::optional<RecordedLine> line = Take({"index"});
  if (!line || std::memcmp(interfaceClass.bytes, kWriterInterfaceClass.bytes, 16) != 0) {
    return kErrorNoMoreItems;
  }
  uint32_t result = Number(line->fields, "result");
  if (result == kErrorSuccess) {
    devicePath = kDevicePath;
  }
  return result;
}

uint32_t ReplayDeviceAccess::Open(const std::string& /*devicePath*/,
                                  std::unique_ptr<DeviceHandle>& handle) {
  asked_->recorder.Open(0);
  std::optional<RecordedLine> line = Take({});
  if (!line) {
    return kErrorFileNotFound;
  }
  uint32_t result = Number(line->fields, "result");
  if (result == kErrorSuccess) {
    handle = std::make_unique<ReplayHandle>(*this);
    if (observer_ != nullptr) {
      observer_->Opened();
    }
  }
  return result;
}

uint32_t ReplayDeviceAccess::Write(const uint8_t* data, uint32_t size, uint32_t& written) {
  asked_->recorder.Write({data, size}, 0, size);
  std::optional<RecordedLine> line =
      Take({"bytes", "code", "seq", "params", "length", "payloadCrc", "magic"});
  written = 0;
  if (!line) {
    return kErrorGenFailure;
  }
  written = Number(line->fields, "written", size);
  if (observer_ != nullptr && written == size) {
    observer_->Sent({data, size});
  }
  return Number(line->fields, "result");
}

std::vector<uint8_t> ReplayDeviceAccess::ReplyOf(const nlohmann::ordered_json& fields) {
  if (fields.contains("raw")) {
    return FromHex(fields["raw"]);
  }
  uint32_t bytes = Number(fields, "bytes");
  if (bytes < kPacketHeaderSize) {
    return {};
  }
  std::vector<uint8_t> packet(kPacketHeaderSize);
  PacketHeader header;
  header.magic = static_cast<uint16_t>(Number(fields, "magic", kPacketMagic));
  header.code = static_cast<uint16_t>(Number(fields, "code"));
  header.sequence = Number(fields, "seq");
  header.length = Number(fields, "length");
  for (size_t i = 0; i < 5; ++i) {
    header.param[i] =
        static_cast<uint32_t>(std::stoul(fields["params"][i].get<std::string>(), nullptr, 0));
  }
  EncodePacketHeader(header, packet.data());
  uint32_t payloadLength = bytes - static_cast<uint32_t>(kPacketHeaderSize);
  if (fields.contains("payload")) {
    std::vector<uint8_t> payload = FromHex(fields["payload"]);
    packet.insert(packet.end(), payload.begin(), payload.end());
  } else if (fields.contains("carriedImage")) {
    auto image = carried_.Bytes(Number(fields, "carriedImage"), Number(fields, "carriedOffset"),
                                payloadLength);
    if (image) {
      packet.insert(packet.end(), image->begin(), image->end());
    }
  } else {
    AppendStandIn(fields, payloadLength, packet);
  }
  packet.resize(bytes);
  return packet;
}

uint32_t ReplayDeviceAccess::Read(uint8_t* buffer, uint32_t capacity, uint32_t& read) {
  asked_->recorder.Read({}, capacity, 0);
  std::optional<RecordedLine> line = Take({"capacity"});
  read = 0;
  if (!line) {
    return kErrorGenFailure;
  }
  if (observer_ != nullptr) {
    observer_->Answered(*line, capacity);
  }
  std::vector<uint8_t> reply = ReplyOf(line->fields);
  read = std::min<uint32_t>(capacity, static_cast<uint32_t>(reply.size()));
  std::memcpy(buffer, reply.data(), read);
  return Number(line->fields, "result");
}

uint32_t ReplayDeviceAccess::Control(uint32_t controlCode) {
  asked_->recorder.Control(controlCode, 0);
  std::optional<RecordedLine> line = Take({"controlCode"});
  return line ? Number(line->fields, "result") : kErrorGenFailure;
}

uint32_t ReplayDeviceAccess::Close() {
  asked_->recorder.Close(0);
  std::optional<RecordedLine> line = Take({});
  return line ? Number(line->fields, "result") : kErrorSuccess;
}

}  // namespace solvane
