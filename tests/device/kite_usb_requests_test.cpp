#include <gtest/gtest.h>

#include <cstring>

#include "device/request_codes.h"
#include "tests/device/fake_writer.h"

namespace solvane::test {
namespace {

class RequestTest : public LinkTest {
 protected:
  void SetUp() override { Connect(); }
  Params SentParams(size_t i) const {
    PacketHeader header = writer_.Header(i);
    return {header.param[0], header.param[1], header.param[2], header.param[3], header.param[4]};
  }
};

TEST_F(RequestTest, ReadBootVersionsFillsOnlyOnItsOwnReply) {
  writer_.Reply(kReadBootVersions, {0x01000000, 11, 0x02000000, 22});
  uint32_t main = 0, mainBuild = 0, secondaryBuild = 0;
  EXPECT_EQ(link_->ReadBootVersions(&main, &mainBuild, nullptr, &secondaryBuild), 0u);
  EXPECT_EQ(writer_.Header(0).code, kReadBootVersions);
  EXPECT_EQ(main, 0x01000000u);
  EXPECT_EQ(mainBuild, 11u);
  EXPECT_EQ(secondaryBuild, 22u);

  writer_.Reply(kStatusReply, {5, 5, 5, 5});
  EXPECT_EQ(link_->ReadBootVersions(&main), 111u);
  EXPECT_EQ(main, 0x01000000u);
}

TEST_F(RequestTest, ExchangeClockSendsTimeAndFlag) {
  writer_.Reply(kExchangeClock, {1700000000});
  uint32_t writerTime = 0;
  EXPECT_EQ(link_->ExchangeClock(1600000000, 1, &writerTime), 0u);
  EXPECT_EQ(SentParams(0), (Params{1600000000, 1, 0, 0, 0}));
  EXPECT_EQ(writerTime, 1700000000u);
  EXPECT_EQ(link_->ExchangeClock(0, 0), 111u);
}

TEST_F(RequestTest, QueryPartitionGivesAddressAndSize) {
  writer_.Reply(kQueryPartition, {0x10000, 0x30000});
  uint32_t size = 1;
  EXPECT_EQ(link_->QueryPartition(kWifiNvsPartition, &size), 0x10000u);
  EXPECT_EQ(SentParams(0), (Params{9, 0, 0, 0, 0}));
  EXPECT_EQ(size, 0x30000u);

  writer_.Reply(kStatusReply, {0x10000, 0x30000});
  EXPECT_EQ(link_->QueryPartition(kWifiNvsPartition, &size), 0u);
  EXPECT_EQ(size, 0u);
}

TEST_F(RequestTest, EraseFlashRoundsUpToWholeBlocks) {
  for (auto [size, sent] :
       {std::pair{1u, 0x20000u}, {0x20000u, 0x20000u}, {0x20001u, 0x40000u}, {0u, 0u}}) {
    writer_.Reply(kEraseFlash);
    EXPECT_TRUE(link_->EraseFlash(0x8000, size));
    EXPECT_EQ(SentParams(writer_.packets.size() - 1), (Params{0x8000, sent, 0, 0, 0})) << size;
  }
  writer_.Reply(kChunkAccepted);
  EXPECT_FALSE(link_->EraseFlash(0, 1));
}

TEST_F(RequestTest, WriteFlashPadsWithZerosToWholeBlocksOf32) {
  Bytes data(33, 0xAB);
  writer_.Reply(kChunkAccepted);
  EXPECT_TRUE(link_->WriteFlash(data.data(), 0x4000, 33));
  EXPECT_EQ(writer_.Header(0).length, 64u);
  EXPECT_EQ(SentParams(0), (Params{0x4000, 33, 0, 0, 0}));
  Bytes expected(64, 0);
  std::fill_n(expected.begin(), 33, 0xAB);
  EXPECT_EQ(writer_.Payload(0), expected);

  writer_.Reply(kWriteFlash);
  EXPECT_FALSE(link_->WriteFlash(data.data(), 0x4000, 33));
}

TEST_F(RequestTest, ShowMessageSendsTheTextWithItsZeroByteInBlocksOf32) {
  std::string text31(31, 'a'), text32(32, 'b');
  writer_.Reply(kShowMessage);
  writer_.Reply(kShowMessage);
  EXPECT_TRUE(link_->ShowMessage(text31.c_str()));
  EXPECT_TRUE(link_->ShowMessage(text32.c_str()));
  EXPECT_EQ(writer_.Header(0).length, 32u);
  EXPECT_EQ(writer_.Header(0).param[0], 31u);
  EXPECT_EQ(writer_.Header(1).length, 64u);
  EXPECT_EQ(writer_.Header(1).param[0], 32u);
  Bytes payload = writer_.Payload(1);
  EXPECT_EQ(std::string(payload.begin(), payload.begin() + 32), text32);
  EXPECT_EQ(Bytes(payload.begin() + 32, payload.end()), Bytes(32, 0));
}

TEST_F(RequestTest, ShowMessageLeavesNoStaleBytesBehindTheText) {
  Bytes dirty(64, 0xEE);
  link_->WriteFlash(dirty.data(), 0, 64);
  writer_.Reply(kShowMessage);
  EXPECT_TRUE(link_->ShowMessage("hi"));
  Bytes expected(32, 0);
  expected[0] = 'h';
  expected[1] = 'i';
  EXPECT_EQ(writer_.Payload(1), expected);
}

TEST_F(RequestTest, ShowMessageWithoutTextIsAnEmptyRequest) {
  writer_.Reply(kShowMessage);
  EXPECT_TRUE(link_->ShowMessage(nullptr));
  EXPECT_EQ(writer_.packets[0].size(), 32u);
  EXPECT_EQ(SentParams(0), (Params{}));
  writer_.Reply(kStatusReply);
  EXPECT_FALSE(link_->ShowMessage(nullptr));
}

TEST_F(RequestTest, OpenFilePadsTheNameToAMultipleOfEight) {
  writer_.Reply(kOpenFile);
  EXPECT_EQ(link_->OpenFile("REALTIME.000"), 0u);
  Bytes expected{'R', 'E', 'A', 'L', 'T', 'I', 'M', 'E', '.', '0', '0', '0', 0, 0, 0, 0};
  EXPECT_EQ(writer_.Header(0).length, 16u);
  EXPECT_EQ(writer_.Payload(0), expected);

  // Already a multiple of eight: no zero byte follows.
  writer_.Reply(kOpenFile);
  link_->OpenFile("ABCDEFGH");
  EXPECT_EQ(writer_.Payload(1), (Bytes{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}));
}

TEST_F(RequestTest, OpenFilePassesTheWritersErrorOn) {
  writer_.Reply(kStatusReply, {3});
  EXPECT_EQ(link_->OpenFile("REALTIME.000"), 3u);
  writer_.Reply(kCloseFile);
  EXPECT_EQ(link_->OpenFile("REALTIME.000"), 111u);
  EXPECT_EQ(link_->OpenFile("REALTIME.000"), 111u);
}

TEST_F(RequestTest, CloseFileIsDoneOnlyOnItsOwnReply) {
  writer_.Reply(kCloseFile);
  writer_.Reply(kOpenFile);
  EXPECT_TRUE(link_->CloseFile());
  EXPECT_FALSE(link_->CloseFile());
  EXPECT_EQ(writer_.Header(0).code, kCloseFile);
}

TEST_F(RequestTest, RequestResetNamesWhatKeepsTheWriterBusy) {
  writer_.Reply(kRequestReset);
  EXPECT_TRUE(link_->RequestReset(0));
  EXPECT_EQ(writer_.Header(0).code, kRequestReset);

  for (uint32_t reasons : {1u, 6u, 3u, 4u}) {
    writer_.Reply(kStatusReply, {3, reasons});
    EXPECT_FALSE(link_->RequestReset(0));
  }
  writer_.Reply(kStatusReply, {5, 3});
  EXPECT_FALSE(link_->RequestReset(0));
  EXPECT_FALSE(link_->RequestReset(0));

  ASSERT_EQ(boxes_.shown.size(), 3u);
  EXPECT_EQ(boxes_.shown[0].text, "Cannot Program, File open");
  EXPECT_EQ(boxes_.shown[1].text, "Cannot Program, Real-Time Active");
  EXPECT_EQ(boxes_.shown[2].text, "Cannot Program, File open and Real-Time Active");
  for (const auto& box : boxes_.shown) {
    EXPECT_EQ(box.style, kMbOk | kMbIconExclamation);
  }
}

TEST_F(RequestTest, SendImageCrcPutsThePreviousHeaderBack) {
  writer_.Reply(kShowMessage);
  link_->ShowMessage("hello");
  link_->SendImageCrc(0x12345678);
  link_->SendPacket();
  ASSERT_EQ(writer_.packets.size(), 3u);
  EXPECT_EQ(writer_.Header(1).code, kSendImageCrc);
  EXPECT_EQ(writer_.packets[1].size(), 32u);
  EXPECT_EQ(SentParams(1), (Params{0x12345678, 0, 0, 0, 0}));
  EXPECT_EQ(writer_.Header(2).code, kShowMessage);
  EXPECT_EQ(writer_.Header(2).param[0], 5u);
  EXPECT_EQ(writer_.Payload(2), writer_.Payload(0));
}

}  // namespace
}  // namespace solvane::test
