#include <gtest/gtest.h>

#include <filesystem>

#include "sim/state_report.h"
#include "sim/state_store.h"
#include "sim/writer_errors.h"
#include "sim/writer_memory.h"
#include "sim_test_support.h"

namespace solvane::sim_test {
namespace {

constexpr uint32_t kBlock = 0x20000;

struct Place {
  uint32_t address;
  uint32_t size;
};

Place Query(SimHarness& sim, uint32_t selector) {
  RawReply reply = sim.Send(kQueryPartition, {selector});
  EXPECT_EQ(reply.header.code, kQueryPartition);
  return {reply.header.param[0], reply.header.param[1]};
}

std::vector<uint8_t> Read(SimHarness& sim, uint32_t address, uint32_t length) {
  RawReply reply = sim.Send(kReadMemory, {address, length, 0, 0, 4});
  EXPECT_EQ(reply.header.code, kReadMemory);
  return reply.payload;
}

RawReply Write(SimHarness& sim, uint32_t address, std::vector<uint8_t> data) {
  uint32_t count = static_cast<uint32_t>(data.size());
  data.resize((count + 31) / 32 * 32, 0);
  return sim.Send(kWriteFlash, {address, count}, data);
}

TEST(SimFlash, PartitionsLieOnBlocksAndApart) {
  std::vector<Partition> partitions(std::begin(WriterMemory::kPartitions),
                                    std::end(WriterMemory::kPartitions));
  for (const Partition& a : partitions) {
    EXPECT_NE(a.address, 0u);
    EXPECT_EQ(a.address % kBlock, 0u);
    EXPECT_EQ(a.size % kBlock, 0u);
    for (const Partition& b : partitions) {
      if (&a != &b) {
        EXPECT_TRUE(a.address + a.size <= b.address || b.address + b.size <= a.address);
      }
    }
  }
}

TEST(SimFlash, EraseWriteReadBack) {
  SimHarness sim;
  Place nvs = Query(sim, kWifiNvsPartition);
  EXPECT_EQ(sim.Send(kEraseFlash, {nvs.address, nvs.size}).header.code, kEraseFlash);
  std::vector<uint8_t> data(33, 0x5A);
  RawReply written = Write(sim, nvs.address, data);
  EXPECT_EQ(written.header.code, kChunkAccepted);
  auto back = Read(sim, nvs.address, 40);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), back.begin()));
  // Only param1 bytes were stored, not the zero padding.
  EXPECT_EQ(back[33], 0xFF);
}

TEST(SimFlash, WritingUnerasedFlashOnlyClearsBits) {
  SimHarness sim;
  Place app = Query(sim, kWifiApplicationPartition);
  sim.Send(kEraseFlash, {app.address, app.size});
  Write(sim, app.address, {0xF0, 0x0F});
  Write(sim, app.address, {0x3C, 0xFF});
  EXPECT_EQ(Read(sim, app.address, 2), (std::vector<uint8_t>{0x30, 0x0F}));
}

TEST(SimFlash, EraseOfAPartitionLeavesItsNeighbours) {
  SimHarness sim;
  Place nvs = Query(sim, kWifiNvsPartition);
  auto before = Read(sim, nvs.address - 0x100, 0x100);
  auto after = Read(sim, nvs.address + nvs.size, 0x100);
  EXPECT_EQ(sim.Send(kEraseFlash, {nvs.address, nvs.size}).header.code, kEraseFlash);
  EXPECT_EQ(Read(sim, nvs.address - 0x100, 0x100), before);
  EXPECT_EQ(Read(sim, nvs.address + nvs.size, 0x100), after);
  EXPECT_EQ(Read(sim, nvs.address, 0x100), std::vector<uint8_t>(0x100, 0xFF));
}

TEST(SimFlash, RequestsOutsideTheFlashOrOffBlocksAreRefused) {
  SimHarness sim;
  Place app = Query(sim, kWifiApplicationPartition);
  EXPECT_EQ(sim.Send(kEraseFlash, {app.address + 0x1000, kBlock}).header.param[0],
            kWriterErrorBadAddress);
  EXPECT_EQ(sim.Send(kEraseFlash, {app.address, 0x1000}).header.param[0], kWriterErrorBadAddress);
  EXPECT_EQ(sim.Send(kReadMemory, {0x70000000, 16, 0, 0, 4}).header.param[0],
            kWriterErrorBadAddress);
  EXPECT_EQ(Write(sim, WriterMemory::kXLoaderAddress, {1}).header.param[0], kWriterErrorBadAddress);
  EXPECT_EQ(sim.Send(kReadMemory, {app.address, 65537, 0, 0, 4}).header.param[0],
            kWriterErrorBadParameters);
}

TEST(SimSensor, ChecksumIsMostSignificantByteFirst) {
  SimHarness sim;
  std::vector<uint8_t> one = {0};
  EXPECT_EQ(sim.Send(kSendCommand, {kSensorMode}, one).payload, std::vector<uint8_t>{0});
  std::vector<uint8_t> data(512);
  for (size_t i = 0; i < data.size(); ++i) {
    data[i] = static_cast<uint8_t>(i);
  }
  auto write = Le32s({0x80002000});
  write.insert(write.end(), data.begin(), data.end());
  RawReply written = sim.Send(kSendCommand, {kSensorWrite}, write);
  EXPECT_EQ(written.header.code, kSendCommand);
  EXPECT_TRUE(written.payload.empty());

  RawReply crc = sim.Send(kSendCommand, {kSensorCrc}, Le32s({0x80002000, 512}));
  ASSERT_EQ(crc.payload.size(), 4u);
  uint32_t expected = Crc32Of(data.data(), data.size());
  EXPECT_EQ(crc.payload[0], expected >> 24);
  EXPECT_EQ(crc.payload[3], expected & 0xFF);
}

TEST(SimSensor, WritesNeedProgrammingModeAndReleaseBringsTheNewBuild) {
  SimHarness sim;
  auto write = Le32s({0x80002000, 0x11223344});
  EXPECT_EQ(sim.Send(kSendCommand, {kSensorWrite}, write).header.param[0],
            kWriterErrorSensorNotReady);
  std::vector<uint8_t> enter = {0}, release = {1};
  sim.Send(kSendCommand, {kSensorMode}, enter);
  EXPECT_EQ(sim.Send(kSendCommand, {kSensorWrite}, write).header.code, kSendCommand);
  EXPECT_EQ(LoadLe32(sim.Send(kIdentify).payload.data() + 4), 14000u);  // not yet released
  sim.Send(kSendCommand, {kSensorMode}, release);
  RawReply identity = sim.Send(kIdentify);
  ASSERT_EQ(identity.payload.size(), 16u);
  EXPECT_EQ(LoadLe32(identity.payload.data()), 0u);
  EXPECT_EQ(LoadLe32(identity.payload.data() + 4), 14760u);
  EXPECT_EQ(sim.Send(kSendCommand, {kSensorWrite}, Le32s({0x8007FFFE, 1})).header.code,
            kStatusReply);
}

TEST(SimWriterBasics, FilesResetClockAndDisplay) {
  WriterState state = DefaultWriterState();
  state.files = {"REALTIME.000"};
  SimHarness sim(state);
  std::vector<uint8_t> name(16, 0);
  std::string text = "REALTIME.000";
  std::copy(text.begin(), text.end(), name.begin());
  EXPECT_EQ(sim.Send(kOpenFile, {}, name).header.code, kOpenFile);
  RawReply refused = sim.Send(kRequestReset);
  EXPECT_EQ(refused.header.code, kStatusReply);
  EXPECT_EQ(refused.header.param[0], kWriterBusy);
  EXPECT_EQ(refused.header.param[1], 1u);
  EXPECT_FALSE(sim.writer.restartRequested());
  EXPECT_EQ(sim.Send(kCloseFile).header.code, kCloseFile);
  std::vector<uint8_t> other(8, 0);
  other[0] = 'X';
  EXPECT_EQ(sim.Send(kOpenFile, {}, other).header.param[0], kWriterErrorFileNotFound);

  uint32_t now = sim.Send(kExchangeClock, {0, 0}).header.param[0];
  sim.Send(kExchangeClock, {now + 1000, 1});
  sim.clock.Advance(5000);
  EXPECT_EQ(sim.Send(kExchangeClock, {0, 0}).header.param[0], now + 1005);

  std::vector<uint8_t> message(32, 0);
  std::string shown = "Updating X-Loader";
  std::copy(shown.begin(), shown.end(), message.begin());
  sim.Send(kShowMessage, {static_cast<uint32_t>(shown.size())}, message);
  EXPECT_EQ(sim.writer.display().current(), shown);
  EXPECT_EQ(sim.Send(kShowMessage).header.code, kShowMessage);
  EXPECT_EQ(sim.writer.display().current(), "");
  EXPECT_EQ(sim.writer.display().history(), std::vector<std::string>{shown});
  EXPECT_EQ(sim.Send(0x7777).header.param[0], kWriterErrorUnknownRequest);
}

TEST(SimFaults, ReplyFaultsFireAtTheNthRequestOnly) {
  FaultSet faults;
  faults.replies.push_back({kIdentify, 2, 0, 1, ReplyFaultKind::kNoReply});
  faults.replies.push_back({kReadBootVersions, 1, 0, 2, ReplyFaultKind::kShortReply, 7});
  faults.replies.push_back({kCloseFile, 1, 0, 1, ReplyFaultKind::kWrongCode, 0x0099});
  faults.replies.push_back({kSendApplicationCode, 0, 2, 1, ReplyFaultKind::kStatus, 0x44});
  SimHarness sim(DefaultWriterState(), faults);
  EXPECT_FALSE(sim.Send(kIdentify).none);
  EXPECT_TRUE(sim.Send(kIdentify).none);
  EXPECT_FALSE(sim.Send(kIdentify).none);
  EXPECT_EQ(sim.Send(kReadBootVersions).bytes, 7u);
  EXPECT_EQ(sim.Send(kReadBootVersions).bytes, 7u);
  EXPECT_EQ(sim.Send(kReadBootVersions).bytes, 32u);
  EXPECT_EQ(sim.Send(kCloseFile).header.code, 0x0099);

  auto image = CodeImage(FirmwareHeader::kApplication, 0x02000000, 35675, 3 * 65536);
  RawReply broken = sim.Transfer(kSendApplicationCode, image);
  EXPECT_EQ(broken.header.code, kStatusReply);
  EXPECT_EQ(broken.header.param[0], 0x44u);
  // The fault is spent: the next transfer goes through.
  EXPECT_EQ(sim.Transfer(kSendApplicationCode, image).header.code, kChunkAccepted);
}

TEST(SimFaults, FlashFaultsAndVanishingPartition) {
  FaultSet faults;
  faults.flash.push_back({FlashFaultKind::kEraseFails, 1});
  faults.flash.push_back({FlashFaultKind::kWriteFails, 1});
  faults.flash.push_back({FlashFaultKind::kBitFlip, 2, 1, 1, 0});
  faults.vanish.push_back({kWifiNvsPartition, 3});
  SimHarness sim(DefaultWriterState(), faults);
  Place nvs = Query(sim, kWifiNvsPartition);
  EXPECT_EQ(sim.Send(kEraseFlash, {nvs.address, nvs.size}).header.param[0],
            kWriterErrorFlashFailure);
  EXPECT_EQ(sim.Send(kEraseFlash, {nvs.address, nvs.size}).header.code, kEraseFlash);
  EXPECT_EQ(Write(sim, nvs.address, {0x00, 0x00}).header.param[0], kWriterErrorFlashFailure);
  EXPECT_EQ(Read(sim, nvs.address, 2), (std::vector<uint8_t>{0xFF, 0xFF}));
  EXPECT_EQ(Write(sim, nvs.address, {0x00, 0x00}).header.code, kChunkAccepted);
  EXPECT_EQ(Read(sim, nvs.address, 2), (std::vector<uint8_t>{0x00, 0x01}));
  EXPECT_EQ(Query(sim, kWifiNvsPartition).size, nvs.size);
  EXPECT_EQ(Query(sim, kWifiNvsPartition).size, 0u);
  EXPECT_NE(Query(sim, kWifiApplicationPartition).size, 0u);
}

TEST(SimFaults, RestartThatNeverEndsOrEndsLate) {
  FaultSet faults;
  faults.restarts.push_back({1, false, 7000});
  faults.restarts.push_back({2, true, 0});
  SimHarness sim(DefaultWriterState(), faults);
  EXPECT_EQ(sim.writer.RestartDurationMs(), 7000u);
  EXPECT_EQ(sim.writer.RestartDurationMs(), std::nullopt);
  EXPECT_EQ(sim.writer.RestartDurationMs(), 0u);
}

TEST(SimState, SaveAndLoadRoundTrip) {
  std::filesystem::path folder = std::filesystem::temp_directory_path() / "solvane-sim-state-test";
  std::filesystem::remove_all(folder);
  SimHarness sim;
  Place nvs = Query(sim, kWifiNvsPartition);
  sim.Send(kEraseFlash, {nvs.address, nvs.size});
  Write(sim, nvs.address, {1, 2, 3});
  sim.Transfer(kSendApplicationCode,
               CodeImage(FirmwareHeader::kApplication, 0x02000000, 35675, 400));
  sim.Send(kExchangeClock, {12345, 1});
  WriterState saved = sim.writer.State();
  StateStore(folder.string()).Save(saved);

  std::optional<WriterState> loaded = StateStore(folder.string()).Load();
  ASSERT_TRUE(loaded);
  EXPECT_EQ(StateReport(*loaded), StateReport(saved));
  EXPECT_EQ(loaded->wifi, saved.wifi);
  ASSERT_TRUE(loaded->pendingApplication);
  EXPECT_EQ(loaded->pendingApplication->build, 35675u);
  EXPECT_EQ(StateReport(*loaded)["xLoader"]["versionText"], "X-Loader 5.00 (");
  EXPECT_FALSE(StateStore((folder / "none").string()).Load());
  std::filesystem::remove_all(folder);
}

TEST(SimTranscript, RecordsEveryRequestAndReply) {
  SimHarness sim;
  std::vector<uint8_t> payload = {9, 8, 7};
  sim.Send(kSendCommand, {kSensorMode}, payload);
  ASSERT_EQ(sim.transcript.entries().size(), 2u);
  const TranscriptEntry& request = sim.transcript.entries()[0];
  EXPECT_TRUE(request.request);
  EXPECT_EQ(request.code, kSendCommand);
  EXPECT_EQ(request.length, 3u);
  EXPECT_EQ(request.payloadCrc, Crc32Of(payload.data(), payload.size()));
  EXPECT_EQ(sim.transcript.entries()[1].code, kStatusReply);
}

}  // namespace
}  // namespace solvane::sim_test
