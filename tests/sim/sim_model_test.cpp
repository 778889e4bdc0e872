#include <gtest/gtest.h>

#include "sim/writer_errors.h"
#include "sim/writer_memory.h"
#include "sim_test_support.h"

namespace solvane::sim_test {
namespace {

constexpr uint32_t kBlock = 0x20000;

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

}  // namespace
}  // namespace solvane::sim_test
