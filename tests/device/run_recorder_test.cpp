#include "device/run_recorder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/recording_device_access.h"
#include "package/catalogue.h"
#include "package/embedded_image.h"
#include "package/posix/linked_resource_source.h"
#include "tests/device/fake_writer.h"

namespace solvane::test {
namespace {

class Lines final : public RecordingSink {
 public:
  void Append(std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

// A writer that answers the partition query with the NVS partition at
// 0x01020000 and every memory read with `readBack`.
class NvsWriter final : public DeviceAccess, public DeviceHandle {
 public:
  uint32_t EnumerateInterface(const InterfaceClassGuid&, uint32_t, std::string& path) override {
    path = R"(\\?\usb#vid_1234&pid_5678#6&1a2b3c4d&0&1#{202e68c5})";
    return 0;
  }
  uint32_t Open(const std::string&, std::unique_ptr<DeviceHandle>& handle) override {
    handle = std::make_unique<Forward>(*this);
    return 0;
  }
  uint32_t Write(const uint8_t* data, uint32_t, uint32_t& written) override {
    uint16_t code = DecodePacketHeader(data).code;
    reply = code == kQueryPartition ? Packet(kQueryPartition, 0, {0x01020000, 0x20000}, {})
                                    : Packet(kReadMemory, 16, {}, readBack);
    written = 32;
    return 0;
  }
  uint32_t Read(uint8_t* buffer, uint32_t, uint32_t& read) override {
    std::copy(reply.begin(), reply.end(), buffer);
    read = static_cast<uint32_t>(reply.size());
    return 0;
  }
  uint32_t Control(uint32_t) override { return 0; }
  uint32_t Close() override { return 0; }

  Bytes readBack;
  Bytes reply;

 private:
  class Forward final : public DeviceHandle {
   public:
    explicit Forward(NvsWriter& writer) : writer_(writer) {}
    uint32_t Write(const uint8_t* d, uint32_t s, uint32_t& w) override {
      return writer_.Write(d, s, w);
    }
    uint32_t Read(uint8_t* b, uint32_t c, uint32_t& r) override { return writer_.Read(b, c, r); }
    uint32_t Control(uint32_t c) override { return writer_.Control(c); }
    uint32_t Close() override { return writer_.Close(); }

   private:
    NvsWriter& writer_;
  };
};

// The last line a WiFi NVS read-back of 16 bytes at 0x01020010 leaves.
std::string NvsReadBackLine(const Bytes& readBack) {
  Lines sink;
  LinkedResourceSource resources;
  RunRecorder recorder(
      sink, [] { return uint64_t{0}; }, resources, "test");
  NvsWriter writer;
  writer.readBack = readBack;
  RecordingDeviceAccess devices(writer, recorder);
  std::string path;
  std::unique_ptr<DeviceHandle> handle;
  devices.EnumerateInterface(kWriterInterfaceClass, 0, path);
  devices.Open(path, handle);
  uint8_t buffer[kMaxPacket];
  uint32_t done = 0;
  for (auto [code, params] : {std::pair{kQueryPartition, Params{9}},
                              std::pair{kReadMemory, Params{0x01020010, 16, 0, 0, 4}}}) {
    Bytes request = Packet(code, 0, params, {});
    handle->Write(request.data(), 32, done);
    handle->Read(buffer, sizeof(buffer), done);
  }
  for (const std::string& line : sink.lines) {
    EXPECT_EQ(line.find("usb#"), std::string::npos) << "a device path in " << line;
  }
  return sink.lines.back();
}

TEST(RunRecorder, KeepsTheWifiSettingsOnlyAsLengthAndDigest) {
  EmbeddedImage nvs;
  ASSERT_EQ(LoadEmbeddedImage(LinkedResourceSource(), CatalogueRow(19).wifiNvsImage, 64, nvs),
            ImageLoadStatus::kOk);
  Bytes carried(nvs.data.get() + 16, nvs.data.get() + 32);
  std::string equal = NvsReadBackLine(carried);
  EXPECT_NE(equal.find(R"("carriedImage":)" + std::to_string(CatalogueRow(19).wifiNvsImage) +
                       R"(,"carriedOffset":16)"),
            std::string::npos)
      << equal;
  Bytes settings = {'h', 'o', 'm', 'e', '-', 'n', 'e', 't', 'w', 'o', 'r', 'k', 0, 0, 0, 0};
  std::string other = NvsReadBackLine(settings);
  EXPECT_NE(other.find(R"("length":16,"payloadCrc":"0x)"), std::string::npos) << other;
  EXPECT_NE(other.find(R"("private":true})"), std::string::npos) << other;
  EXPECT_EQ(other.find("home"), std::string::npos) << other;
}

}  // namespace
}  // namespace solvane::test
