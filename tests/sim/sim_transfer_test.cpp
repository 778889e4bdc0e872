#include <gtest/gtest.h>

#include <algorithm>

#include "sim/state_report.h"
#include "sim/writer_errors.h"
#include "sim_test_support.h"

namespace solvane::sim_test {
namespace {

constexpr uint32_t kNewApp = 0x02000000;
constexpr uint32_t kNewBoot = 0x01000000;

std::array<uint32_t, 5> Chunk(uint32_t total, uint32_t offset, uint32_t marker = kTransferMarker) {
  return {19, 0, total, offset, marker};
}

TEST(SimTransfer, ApplicationTakesEffectOnlyAfterRestart) {
  SimHarness sim;
  auto image = CodeImage(FirmwareHeader::kApplication, kNewApp, 35675, 150000);
  RawReply last = sim.Transfer(kSendApplicationCode, image);
  EXPECT_EQ(last.header.code, kChunkAccepted);
  EXPECT_EQ(sim.Send(kIdentify).header.param[1], 0x01630000u);

  sim.Restart();
  RawReply identity = sim.Send(kIdentify);
  EXPECT_EQ(identity.header.param[1], kNewApp);
  EXPECT_EQ(identity.header.param[2], 0u);
  EXPECT_EQ(identity.header.param[3], 35675u);
}

TEST(SimTransfer, BootCodeInstallsAndBootModeReportsIt) {
  WriterState state = DefaultWriterState();
  state.identity.bootMode = true;
  SimHarness sim(state);
  auto image = CodeImage(FirmwareHeader::kBoot, kNewBoot, 35673, 20000);
  EXPECT_EQ(sim.Transfer(kSendBootCode, image).header.code, kChunkAccepted);
  sim.Restart();
  // The application is valid, so the writer leaves boot mode after the restart.
  EXPECT_EQ(sim.Send(kIdentify).header.param[2], 0u);
  RawReply boot = sim.Send(kReadBootVersions);
  EXPECT_EQ(boot.header.param[0], kNewBoot);
  EXPECT_EQ(boot.header.param[1], 35673u);
}

TEST(SimTransfer, ApplicationWithoutHeaderLeavesTheWriterInBootMode) {
  SimHarness sim;
  std::vector<uint8_t> image(5000, 0x42);
  EXPECT_EQ(sim.Transfer(kSendApplicationCode, image).header.code, kChunkAccepted);
  sim.Restart();
  RawReply identity = sim.Send(kIdentify);
  EXPECT_EQ(identity.header.param[2], 1u);
  EXPECT_EQ(identity.header.param[1], sim.writer.identity().bootVersion);
}

TEST(SimTransfer, BootImageWithoutBootHeaderIsRefused) {
  SimHarness sim;
  auto image = CodeImage(FirmwareHeader::kApplication, kNewApp, 1, 4000);
  RawReply reply = sim.Transfer(kSendBootCode, image);
  EXPECT_EQ(reply.header.code, kStatusReply);
  EXPECT_EQ(reply.header.param[0], kWriterErrorInvalidImage);
  sim.Restart();
  EXPECT_EQ(sim.Send(kReadBootVersions).header.param[1], 35600u);
}

TEST(SimTransfer, ChecksumMismatchIsRefusedOnTheLastChunkAndNothingInstalls) {
  SimHarness sim;
  auto image = CodeImage(FirmwareHeader::kApplication, kNewApp, 35675, 70000);
  uint32_t wrong = Crc32Of(image.data(), image.size()) ^ 1;
  RawReply reply = sim.Transfer(kSendApplicationCode, image, 65536, wrong);
  EXPECT_EQ(reply.header.code, kStatusReply);
  EXPECT_EQ(reply.header.param[0], kWriterErrorChecksum);
  EXPECT_EQ(sim.transcript.entries().size(), 2u * 3);  // announcement + two chunks, answered
  sim.Restart();
  EXPECT_EQ(sim.Send(kIdentify).header.param[3], 35000u);
}

TEST(SimTransfer, ChunksOutOfOrderOrMalformedAreRefused) {
  SimHarness sim;
  std::vector<uint8_t> chunk(1000, 1);
  sim.Send(kSendImageCrc, {0});
  EXPECT_EQ(sim.Send(kSendXLoader, Chunk(3000, 0), chunk).header.code, kChunkAccepted);
  // Offset other than the bytes received so far.
  RawReply gap = sim.Send(kSendXLoader, Chunk(3000, 2000), chunk);
  EXPECT_EQ(gap.header.code, kStatusReply);
  EXPECT_EQ(gap.header.param[0], kWriterErrorTransferOrder);
  // After a refusal the transfer is gone: the right offset no longer fits either.
  EXPECT_EQ(sim.Send(kSendXLoader, Chunk(3000, 1000), chunk).header.param[0],
            kWriterErrorTransferOrder);

  EXPECT_EQ(sim.Send(kSendXLoader, Chunk(3000, 0), chunk).header.code, kChunkAccepted);
  EXPECT_EQ(sim.Send(kSendXLoader, Chunk(4000, 1000), chunk).header.param[0],
            kWriterErrorTransferOrder);  // total length changed
  EXPECT_EQ(sim.Send(kSendXLoader, Chunk(3000, 0, 0xC00DBEEF), chunk).header.param[0],
            kWriterErrorTransferOrder);  // marker
  std::vector<uint8_t> big(4000, 1);
  EXPECT_EQ(sim.Send(kSendXLoader, Chunk(3000, 0), big).header.param[0],
            kWriterErrorTransferOrder);  // chunk beyond the total
  EXPECT_EQ(sim.Send(kSendXLoader, {20, 0, 3000, 0, kTransferMarker}, chunk).header.param[0],
            kWriterErrorMachineType);
}

TEST(SimTransfer, ChunksAboveTheMaximumChunkAreRefused) {
  WriterState state = DefaultWriterState();
  state.identity.machineType = 7;  // 8192-byte chunks
  SimHarness sim(state);
  std::vector<uint8_t> chunk(8193, 1);
  EXPECT_EQ(sim.Send(kSendBootCode, {7, 0, 9000, 0, kTransferMarker}, chunk).header.param[0],
            kWriterErrorTransferOrder);
  // The application transfer always takes up to 65536.
  EXPECT_EQ(sim.Send(kSendApplicationCode, {7, 0, 9000, 0, kTransferMarker}, chunk).header.code,
            kChunkAccepted);
  std::vector<uint8_t> huge(65537, 1);
  EXPECT_EQ(sim.Send(kSendApplicationCode, {7, 0, 70000, 0, kTransferMarker}, huge).header.code,
            kStatusReply);
}

// An X-Loader with its header: the bytes behind it, then the load address.
std::vector<uint8_t> XLoaderImage(uint32_t size = 32256, uint32_t loadAddress = 0x40200800) {
  std::vector<uint8_t> image(size, 0x11);
  StoreLe32(image.data(), size - 8);
  StoreLe32(image.data() + 4, loadAddress);
  const char text[] = "X-Loader 6.00 (";
  std::copy(text, text + sizeof(text), image.begin() + 100);
  return image;
}

std::vector<uint8_t> XLoaderPartition(SimHarness& sim, uint32_t length) {
  uint32_t address = sim.Send(kQueryPartition, {kXLoaderPartition}).header.param[0];
  std::vector<uint8_t> partition;
  for (uint32_t offset = 0; offset < length; offset += 65536) {
    std::vector<uint8_t> part = Read(sim, address + offset, std::min(length - offset, 65536u));
    partition.insert(partition.end(), part.begin(), part.end());
  }
  return partition;
}

TEST(SimTransfer, XLoaderReplacesThePartition) {
  SimHarness sim;
  std::vector<uint8_t> image = XLoaderImage();
  EXPECT_EQ(sim.Transfer(kSendXLoader, image, 8192).header.code, kChunkAccepted);

  RawReply where = sim.Send(kQueryPartition, {kXLoaderPartition});
  uint32_t address = where.header.param[0];
  ASSERT_NE(address, 0u);
  RawReply read = sim.Send(kReadMemory, {address, 32256, 0, 0, 4});
  EXPECT_EQ(read.header.code, kReadMemory);
  EXPECT_EQ(read.header.param[0], address);
  EXPECT_EQ(read.payload, image);
  // The rest of the partition was erased with it.
  RawReply tail = sim.Send(kReadMemory, {address + 32256, 64, 0, 0, 4});
  EXPECT_EQ(tail.payload, std::vector<uint8_t>(64, 0xFF));
  EXPECT_TRUE(sim.writer.memory().XLoaderBootable());
}

TEST(SimTransfer, XLoaderWithoutItsOwnHeaderIsRefused) {
  SimHarness sim;
  std::vector<uint8_t> before = XLoaderPartition(sim, 0x20000);
  std::vector<uint8_t> countsItsHeader = XLoaderImage();
  StoreLe32(countsItsHeader.data(), 32256);
  for (const std::vector<uint8_t>& image :
       {countsItsHeader, XLoaderImage(32256, 0x40200000), std::vector<uint8_t>(4, 0)}) {
    RawReply reply = sim.Transfer(kSendXLoader, image);
    EXPECT_EQ(reply.header.code, kStatusReply);
    EXPECT_EQ(reply.header.param[0], kWriterErrorInvalidImage);
  }
  EXPECT_EQ(XLoaderPartition(sim, 0x20000), before);
}

TEST(SimTransfer, XLoaderTransferThatBreaksOffLeavesTheOldLoader) {
  FaultSet faults;
  faults.replies.push_back({kSendXLoader, 0, 3, 1, ReplyFaultKind::kNoReply});
  SimHarness sim(DefaultWriterState(), faults);
  std::vector<uint8_t> before = XLoaderPartition(sim, 0x20000);
  EXPECT_TRUE(sim.Transfer(kSendXLoader, XLoaderImage(), 8192).none);
  EXPECT_EQ(XLoaderPartition(sim, 0x20000), before);
  sim.Send(kRequestReset);
  EXPECT_EQ(sim.writer.RestartDurationMs(), 0u);
}

TEST(SimTransfer, XLoaderWriteThatFailsPartWayLeavesAWriterThatDoesNotStart) {
  FaultSet faults;
  faults.flash.push_back({FlashFaultKind::kXLoaderWriteFails, 1, 1, 16384});
  SimHarness sim(DefaultWriterState(), faults);
  std::vector<uint8_t> image = XLoaderImage();
  RawReply failed = sim.Transfer(kSendXLoader, image);
  EXPECT_EQ(failed.header.code, kStatusReply);
  EXPECT_EQ(failed.header.param[0], kWriterErrorFlashFailure);
  std::vector<uint8_t> partition = XLoaderPartition(sim, 0x20000);
  EXPECT_TRUE(std::equal(image.begin(), image.begin() + 16384, partition.begin()));
  EXPECT_EQ(std::count(partition.begin() + 16384, partition.end(), 0xFF), 0x20000 - 16384);
  nlohmann::json report = StateReport(sim.writer.State());
  EXPECT_EQ(report["xLoader"]["bootable"], false);
  EXPECT_EQ(report["startsAfterRestart"], false);
  ASSERT_EQ(sim.Send(kRequestReset).header.code, kRequestReset);
  EXPECT_EQ(sim.writer.RestartDurationMs(), std::nullopt);

  // Written again in full before the restart, the loader starts.
  SimHarness repaired(sim.writer.State());
  EXPECT_FALSE(repaired.writer.memory().XLoaderBootable());
  EXPECT_EQ(repaired.Transfer(kSendXLoader, image).header.code, kChunkAccepted);
  ASSERT_EQ(repaired.Send(kRequestReset).header.code, kRequestReset);
  EXPECT_EQ(repaired.writer.RestartDurationMs(), 0u);
}

}  // namespace
}  // namespace solvane::sim_test
