// Requests that copy reply payload into the caller's buffer: the copy stays
// within the bytes that arrived and within the caller's buffer, whatever the
// reply's length field claims. Buffers are sized exactly so that the sanitizer
// build catches any overrun.
#include <gtest/gtest.h>

#include "device/request_codes.h"
#include "tests/device/fake_writer.h"

namespace solvane::test {
namespace {

class CopyOutTest : public LinkTest {
 protected:
  void SetUp() override { Connect(); }
};

TEST_F(CopyOutTest, SendCommandSendsTheSubCommandAndCopiesTheReply) {
  Bytes payload{0x00, 0x20, 0x00, 0x80, 0x10, 0, 0, 0};
  writer_.Reply(kSendCommand, {}, {0xDE, 0xAD, 0xBE, 0xEF});
  Bytes reply(4);
  uint32_t replyLength = 99;
  EXPECT_EQ(link_->SendCommand(kSensorCrc, payload.data(), 8, reply.data(), 4, &replyLength), 0u);
  EXPECT_EQ(writer_.Header(0).code, kSendCommand);
  EXPECT_EQ(writer_.Header(0).param[0], kSensorCrc);
  EXPECT_EQ(writer_.Payload(0), payload);
  EXPECT_EQ(reply, (Bytes{0xDE, 0xAD, 0xBE, 0xEF}));
  EXPECT_EQ(replyLength, 4u);
}

TEST_F(CopyOutTest, SendCommandWithoutPayloadOrReplyBuffer) {
  writer_.Reply(kSendCommand, {}, {1, 2, 3});
  uint32_t replyLength = 0;
  EXPECT_EQ(link_->SendCommand(kSensorWrite, nullptr, 0, nullptr, 0, &replyLength), 0u);
  EXPECT_EQ(writer_.packets[0].size(), 32u);
  EXPECT_EQ(replyLength, 3u);
}

TEST_F(CopyOutTest, SendCommandHidesTheWritersErrorAndReportsNoLength) {
  writer_.Reply(kStatusReply, {3}, {1, 2, 3, 4});
  Bytes reply(4, 0x55);
  uint32_t replyLength = 99;
  EXPECT_EQ(link_->SendCommand(kSensorMode, nullptr, 0, reply.data(), 4, &replyLength), 111u);
  EXPECT_EQ(replyLength, 0u);
  EXPECT_EQ(reply, Bytes(4, 0x55));
  EXPECT_EQ(link_->SendCommand(kSensorMode, nullptr, 0, reply.data(), 4, &replyLength), 111u);
}

TEST_F(CopyOutTest, SendCommandCutsALongReplyToTheBufferButReportsItsLength) {
  Bytes longReply(600);
  for (size_t i = 0; i < longReply.size(); ++i) {
    longReply[i] = static_cast<uint8_t>(i);
  }
  writer_.Reply(kSendCommand, {}, longReply);
  Bytes reply(4);
  uint32_t replyLength = 0;
  EXPECT_EQ(link_->SendCommand(kSensorCrc, nullptr, 0, reply.data(), 4, &replyLength), 0u);
  EXPECT_EQ(reply, (Bytes{0, 1, 2, 3}));
  EXPECT_EQ(replyLength, 600u);  // so a caller that wants exactly 4 bytes rejects it
}

TEST_F(CopyOutTest, SendCommandFillsWhatAShortReplyClaimsButLacksWithErasedBytes) {
  writer_.ReplyRaw(Packet(kSendCommand, 0x10000000, {}, {7, 8}));
  Bytes reply(6, 0);
  uint32_t replyLength = 0;
  EXPECT_EQ(link_->SendCommand(kSensorCrc, nullptr, 0, reply.data(), 6, &replyLength), 0u);
  EXPECT_EQ(reply, (Bytes{7, 8, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(replyLength, 0x10000000u);
}

TEST_F(CopyOutTest, ReadMemorySendsItsParametersAndCopiesTheData) {
  Bytes data{1, 2, 3, 4, 5, 6, 7, 8};
  writer_.Reply(kReadMemory, {0x2000}, data);
  Bytes destination(8);
  EXPECT_TRUE(link_->ReadMemory(0x2000, 8, destination.data()));
  PacketHeader sent = writer_.Header(0);
  EXPECT_EQ(sent.code, kReadMemory);
  EXPECT_EQ(sent.length, 0u);
  EXPECT_EQ(sent.param[0], 0x2000u);
  EXPECT_EQ(sent.param[1], 8u);
  EXPECT_EQ(sent.param[4], 4u);
  EXPECT_EQ(destination, data);
}

TEST_F(CopyOutTest, ReadMemoryFailsOnAnotherAddressButStillCopies) {
  writer_.Reply(kReadMemory, {0x3000}, {9, 9});
  Bytes destination(2);
  EXPECT_FALSE(link_->ReadMemory(0x2000, 2, destination.data()));
  EXPECT_EQ(destination, (Bytes{9, 9}));
}

TEST_F(CopyOutTest, ReadMemoryCopiesNothingFromAnotherReply) {
  writer_.Reply(kStatusReply, {0x2000}, {9, 9});
  Bytes destination(2, 0);
  EXPECT_FALSE(link_->ReadMemory(0x2000, 2, destination.data()));
  EXPECT_EQ(destination, Bytes(2, 0));
}

TEST_F(CopyOutTest, ReadMemoryFailsWhenFewerBytesArriveThanTheLengthClaims) {
  writer_.ReplyRaw(Packet(kReadMemory, 8, {0x2000}, {1, 2, 3}));
  Bytes destination(8, 0xCC);
  EXPECT_FALSE(link_->ReadMemory(0x2000, 8, destination.data()));
  EXPECT_EQ(destination, (Bytes{1, 2, 3, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC}));
}

TEST_F(CopyOutTest, ReadMemoryCopiesNoMoreThanAskedFromALongerReply) {
  writer_.Reply(kReadMemory, {0x2000}, Bytes(70000, 0xAB));  // longer than a packet, too
  Bytes destination(16);
  EXPECT_FALSE(link_->ReadMemory(0x2000, 16, destination.data()));
  EXPECT_EQ(destination, Bytes(16, 0xAB));
}

TEST_F(CopyOutTest, ReadMemoryTrustsNoLengthBeyondThePacket) {
  writer_.ReplyRaw(Packet(kReadMemory, 0xFFFFFFF0, {0}, Bytes(100, 0x11)));
  Bytes destination(0x20000, 0);
  EXPECT_FALSE(link_->ReadMemory(0, 0x20000, destination.data()));
  EXPECT_EQ(destination[99], 0x11);
  EXPECT_EQ(destination[100], 0);
}

}  // namespace
}  // namespace solvane::test
