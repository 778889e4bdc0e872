#include <gtest/gtest.h>

#include <cstdio>

#include "package/intel_hex.h"
#include "sim/state_report.h"
#include "sim/writer_errors.h"
#include "sim_test_support.h"
#include "tools/payload/payload_generator.h"

namespace solvane::sim_test {
namespace {

constexpr uint32_t kCodeStart = 0x2000;

// The carried sensor board image as the programming procedure loads it.
std::vector<uint8_t> CarriedImage() {
  std::vector<uint8_t> text = GenerateImage(174);
  std::vector<uint8_t> image(0x80000, 0xFF);
  EXPECT_GT(LoadIntelHex(reinterpret_cast<const char*>(text.data()),
                         static_cast<uint32_t>(text.size()), image.data(), 0x80000, 0x80000000),
            0);
  return image;
}

// One past the last byte at or above 0x2000 that is not erased.
uint32_t EndOf(const std::vector<uint8_t>& image) {
  uint32_t end = 0x7FFFF;
  while (end > kCodeStart && image[end] == 0xFF) {
    --end;
  }
  return end + 1;
}

// Writes image offsets [from, to) in blocks of 512, as the procedure does, to
// their own addresses moved by `shift`.
void WriteRange(SimHarness& sim,
                const std::vector<uint8_t>& image,
                uint32_t from,
                uint32_t to,
                uint32_t shift = 0) {
  for (uint32_t offset = from; offset < to; offset += 512) {
    uint32_t chunk = std::min(to - offset, 512u);
    ASSERT_EQ(SensorWrite(sim, 0x80000000 + offset + shift,
                          std::span<const uint8_t>(image).subspan(offset, chunk))
                  .header.code,
              kSendCommand);
  }
}

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08X", value);
  return text;
}

TEST(SimSensor, ChecksumIsMostSignificantByteFirst) {
  SimHarness sim;
  EXPECT_EQ(SensorMode(sim, 0).payload, std::vector<uint8_t>{0});
  std::vector<uint8_t> data(512);
  for (size_t i = 0; i < data.size(); ++i) {
    data[i] = static_cast<uint8_t>(i);
  }
  RawReply written = SensorWrite(sim, 0x80002000, data);
  EXPECT_EQ(written.header.code, kSendCommand);
  EXPECT_TRUE(written.payload.empty());

  RawReply crc = sim.Send(kSendCommand, {kSensorCrc}, Le32s({0x80002000, 512}));
  ASSERT_EQ(crc.payload.size(), 4u);
  uint32_t expected = Crc32Of(data.data(), data.size());
  EXPECT_EQ(crc.payload[0], expected >> 24);
  EXPECT_EQ(crc.payload[3], expected & 0xFF);
}

TEST(SimSensor, TheBoardReportsTheBuildItsFlashedCodeCarries) {
  SimHarness sim;
  EXPECT_EQ(SensorBuild(sim), 14000u);
  // A write of no bytes leaves the old code whole.
  SensorMode(sim, 0);
  EXPECT_EQ(SensorWrite(sim, 0x80002000, {}).header.code, kSendCommand);
  SensorMode(sim, 1);
  EXPECT_EQ(SensorBuild(sim), 14000u);

  // The older code and the carried image differ in the CRC the procedure compares.
  std::vector<uint8_t> image = CarriedImage();
  uint32_t end = EndOf(image);
  SensorMode(sim, 0);
  RawReply old = sim.Send(kSendCommand, {kSensorCrc}, Le32s({0x80002000, end - kCodeStart}));
  uint32_t imageCrc = Crc32Of(image.data() + kCodeStart, end - kCodeStart);
  ASSERT_EQ(old.payload.size(), 4u);
  EXPECT_NE(uint32_t{old.payload[0]} << 24 | uint32_t{old.payload[1]} << 16 |
                uint32_t{old.payload[2]} << 8 | old.payload[3],
            imageCrc);

  // A run that stops one block short leaves code that fails its check.
  SensorMode(sim, 0);
  WriteRange(sim, image, kCodeStart, end - 512);
  SensorMode(sim, 1);
  EXPECT_EQ(SensorBuild(sim), 0u);

  // The rest written: the board keeps reporting what it last started until the
  // writer restarts; then it runs the carried code, which is current.
  SensorMode(sim, 0);
  WriteRange(sim, image, end - 512, end);
  EXPECT_EQ(SensorBuild(sim), 0u);
  sim.Restart();
  EXPECT_EQ(SensorBuild(sim), 14760u);

  // The report covers the range the procedure writes, with the CRC it computes.
  nlohmann::json board = StateReport(sim.writer.State())["sensorBoard"];
  EXPECT_EQ(board["build"], 14760u);
  EXPECT_EQ(board["codeLength"], end - kCodeStart);
  EXPECT_EQ(board["codeCrc"], Hex(imageCrc));

  // Code written one byte off its place fails the check as well.
  SensorMode(sim, 0);
  WriteRange(sim, image, kCodeStart, end, 1);
  SensorMode(sim, 1);
  EXPECT_EQ(SensorBuild(sim), 0u);
}

TEST(SimSensor, WritesNeedProgrammingModeAndSpareTheLoader) {
  SimHarness sim;
  std::vector<uint8_t> four = {1, 2, 3, 4};
  EXPECT_EQ(SensorWrite(sim, 0x80002000, four).header.param[0], kWriterErrorSensorNotReady);
  SensorMode(sim, 0);
  std::string loaderBefore = StateReport(sim.writer.State())["sensorBoard"]["loaderCrc"];
  std::vector<uint8_t> block(512, 0x00);
  for (uint32_t address : {0x80000000u, 0x80001FFFu, 0x80001F00u}) {
    RawReply refused = SensorWrite(sim, address, address == 0x80001F00u ? block : four);
    EXPECT_EQ(refused.header.code, kStatusReply) << std::hex << address;
    EXPECT_EQ(refused.header.param[0], kWriterErrorProtected) << std::hex << address;
  }
  EXPECT_EQ(StateReport(sim.writer.State())["sensorBoard"]["loaderCrc"], loaderBefore);
  EXPECT_EQ(SensorWrite(sim, 0x80002000, four).header.code, kSendCommand);
  EXPECT_EQ(SensorWrite(sim, 0x8007FFFE, four).header.param[0], kWriterErrorBadAddress);
}

}  // namespace
}  // namespace solvane::sim_test
