#include <gtest/gtest.h>

#include "device/request_codes.h"
#include "tests/device/fake_writer.h"

namespace solvane::test {
namespace {

using Calls = std::vector<std::string>;

TEST_F(LinkTest, NewLinkIsClosedWithZeroIdentity) {
  EXPECT_FALSE(link_->IsOpen());
  EXPECT_EQ(link_->sequenceCount(), 0u);
  EXPECT_EQ(link_->machineType(), 0u);
  EXPECT_EQ(link_->versionWord(), 0u);
  EXPECT_EQ(link_->bootMode(), 0u);
  EXPECT_EQ(link_->build(), 0u);
  EXPECT_EQ(link_->maximumChunk(), 0u);
  EXPECT_EQ(link_->sensorBoardBuild(), 0u);
}

TEST_F(LinkTest, OpenTakesTheFirstWriterInterfaceAndOnAnOpenLinkTouchesNothing) {
  ASSERT_EQ(link_->Open(), 0u);
  EXPECT_TRUE(link_->IsOpen());
  EXPECT_TRUE(writer_.enumeratedWriterClass);
  EXPECT_EQ(writer_.calls, (Calls{"enumerate 0", std::string("open ") + FakeDeviceAccess::kPath}));

  writer_.Reply(kIdentify, {20, 0x01000000, 0, 77});
  ASSERT_EQ(link_->Identify(), 0u);
  writer_.calls.clear();
  EXPECT_EQ(link_->Open(), 0u);
  EXPECT_TRUE(writer_.calls.empty());
  EXPECT_EQ(link_->sequenceCount(), 1u);
  EXPECT_EQ(link_->build(), 77u);
}

TEST_F(LinkTest, OpenReturnsTheErrorOfTheFailingStepAndStaysClosed) {
  writer_.enumerateError = kErrorNoMoreItems;
  EXPECT_EQ(link_->Open(), 259u);
  EXPECT_FALSE(link_->IsOpen());
  EXPECT_EQ(writer_.calls, Calls{"enumerate 0"});

  writer_.enumerateError = kErrorSuccess;
  writer_.openError = kErrorAccessDenied;
  EXPECT_EQ(link_->Open(), 5u);
  EXPECT_FALSE(link_->IsOpen());

  // An open that reports success but gives no handle is an invalid handle.
  writer_.openError = kErrorSuccess;
  writer_.openGivesNoHandle = true;
  EXPECT_EQ(link_->Open(), 6u);
  EXPECT_FALSE(link_->IsOpen());
}

TEST_F(LinkTest, CloseWaitsTwoSecondsOnlyWhenOpen) {
  EXPECT_EQ(link_->Close(), 0u);
  EXPECT_EQ(clock_.NowMs(), 0u);

  ASSERT_EQ(link_->Open(), 0u);
  EXPECT_EQ(link_->Close(), 0u);
  EXPECT_EQ(clock_.NowMs(), 2000u);
  EXPECT_FALSE(link_->IsOpen());
  EXPECT_EQ(writer_.Count("close"), 1u);

  EXPECT_EQ(link_->Close(), 0u);
  EXPECT_EQ(clock_.NowMs(), 2000u);
  EXPECT_EQ(writer_.Count("close"), 1u);
}

TEST_F(LinkTest, FailedCloseIsReportedAndTheLinkIsClosedAnyway) {
  ASSERT_EQ(link_->Open(), 0u);
  writer_.closeError = kErrorInvalidHandle;
  EXPECT_EQ(link_->Close(), 6u);
  EXPECT_FALSE(link_->IsOpen());
}

TEST_F(LinkTest, DestructionClosesAnOpenLinkWithTheWait) {
  ASSERT_EQ(link_->Open(), 0u);
  link_.reset();
  EXPECT_EQ(clock_.NowMs(), 2000u);
  EXPECT_EQ(writer_.Count("close"), 1u);
}

TEST_F(LinkTest, ClosedLinkWritesNothingAndEveryRequestSeesNoReply) {
  writer_.Reply(kShowMessage);
  EXPECT_EQ(link_->SendPacket(), 0u);
  EXPECT_EQ(link_->ReceivePacket(), 0u);
  EXPECT_FALSE(link_->ShowMessage("hello"));
  EXPECT_EQ(link_->Identify(), 111u);
  EXPECT_EQ(link_->QueryPartition(0), 0u);
  EXPECT_EQ(link_->OpenFile("REALTIME.000"), 111u);
  EXPECT_TRUE(writer_.calls.empty());
  EXPECT_EQ(link_->sequenceCount(), 0u);
}

TEST_F(LinkTest, RequestHeaderIsPackedLittleEndianAndAnEmptyPayloadIsOnlyTheHeader) {
  ASSERT_EQ(link_->Open(), 0u);
  writer_.Reply(kExchangeClock);
  link_->ExchangeClock(0x11223344, 1);
  ASSERT_EQ(writer_.packets.size(), 1u);
  EXPECT_EQ(writer_.packets[0],
            (Bytes{'Z', 'R', 0, 0, 0, 0, 0x05, 0xE0, 0, 0, 0, 0, 0x44, 0x33, 0x22, 0x11,
                   1,   0,   0, 0, 0, 0, 0,    0,    0, 0, 0, 0, 0,    0,    0,    0}));
}

TEST_F(LinkTest, SequenceCountsEveryReadThatDeliveredData) {
  ASSERT_EQ(link_->Open(), 0u);
  writer_.Reply(kCloseFile);
  writer_.ReplyRaw(Bytes(31, 0x12));  // too short to be a reply
  writer_.Silence();
  writer_.Reply(kCloseFile);
  writer_.Reply(kCloseFile);

  EXPECT_TRUE(link_->CloseFile());
  EXPECT_FALSE(link_->CloseFile());
  EXPECT_EQ(link_->sequenceCount(), 2u);
  EXPECT_FALSE(link_->CloseFile());
  EXPECT_EQ(link_->sequenceCount(), 2u);
  EXPECT_TRUE(link_->CloseFile());
  EXPECT_TRUE(link_->CloseFile());

  std::vector<uint32_t> sequences;
  for (size_t i = 0; i < writer_.packets.size(); ++i) {
    sequences.push_back(writer_.Header(i).sequence);
  }
  EXPECT_EQ(sequences, (std::vector<uint32_t>{0, 1, 2, 2, 3}));
}

TEST_F(LinkTest, SequenceAndIdentitySurviveReopening) {
  Connect(19);
  writer_.Reply(kCloseFile);
  link_->CloseFile();
  ASSERT_EQ(link_->Close(), 0u);
  ASSERT_EQ(link_->Open(), 0u);
  writer_.Reply(kCloseFile);
  link_->CloseFile();
  EXPECT_EQ(writer_.Header(1).sequence, 2u);
  EXPECT_EQ(link_->machineType(), 19u);
}

TEST_F(LinkTest, FailedWritesAreRetriedTwiceWithAControlCallBetween) {
  ASSERT_EQ(link_->Open(), 0u);
  writer_.calls.clear();
  writer_.failingWrites = 3;
  EXPECT_EQ(link_->SendPacket(), 0u);
  EXPECT_EQ(writer_.calls, (Calls{"write", "control 1", "write", "control 1", "write"}));

  writer_.calls.clear();
  writer_.failingWrites = 1;
  EXPECT_EQ(link_->SendPacket(), 32u);
  EXPECT_EQ(writer_.calls, (Calls{"write", "control 1", "write"}));
}

TEST_F(LinkTest, RequestWhoseWritesFailStillReadsItsReply) {
  ASSERT_EQ(link_->Open(), 0u);
  writer_.failingWrites = 3;
  writer_.Reply(kCloseFile);
  EXPECT_TRUE(link_->CloseFile());
  EXPECT_TRUE(writer_.packets.empty());
}

TEST_F(LinkTest, ReceivePacketTrustsTheLengthFieldNotTheBytesRead) {
  ASSERT_EQ(link_->Open(), 0u);
  writer_.ReplyRaw(Packet(kCloseFile, 100, {}, {}));
  EXPECT_EQ(link_->ReceivePacket(), 132u);
  writer_.ReplyRaw(Bytes(100000, 0));  // longer than a packet: the read stops at 65568
  EXPECT_EQ(link_->ReceivePacket(), 32u);
  EXPECT_EQ(link_->sequenceCount(), 2u);
}

}  // namespace
}  // namespace solvane::test
