// The largest request that fits one packet goes out whole; one byte more is
// refused before anything is written, so the transmit buffer never runs over
// into the identity the link holds behind it. A read may fill a whole packet.
#include <gtest/gtest.h>

#include <string>

#include "tests/device/fake_writer.h"

namespace solvane::test {
namespace {

class BoundsTest : public LinkTest {
 protected:
  void SetUp() override { Connect(20, 0x01020300); }

  void ExpectIdentityKept() const {
    EXPECT_EQ(link_->machineType(), 20u);
    EXPECT_EQ(link_->versionWord(), 0x01020300u);
    EXPECT_EQ(link_->bootMode(), 0u);
    EXPECT_EQ(link_->build(), 1234u);
    EXPECT_EQ(link_->maximumChunk(), 65536u);
  }

  // Expects packet 0 to be the only one written, with a payload of 65536 bytes.
  void ExpectOneFullPacket() const {
    ASSERT_EQ(writer_.packets.size(), 1u);
    EXPECT_EQ(writer_.Header(0).length, 65536u);
    EXPECT_EQ(writer_.packets[0].size(), 65568u);
  }

  Bytes data_ = Bytes(65537, 0x5A);
};

TEST_F(BoundsTest, SendCommandTakesUpTo65536PayloadBytes) {
  writer_.Reply(0xE023);
  EXPECT_EQ(link_->SendCommand(21, data_.data(), 65536), 0u);
  ExpectOneFullPacket();
  EXPECT_EQ(writer_.Payload(0), Bytes(65536, 0x5A));

  uint32_t replyLength = 5;
  EXPECT_EQ(link_->SendCommand(21, data_.data(), 65537, nullptr, 0, &replyLength), 111u);
  EXPECT_EQ(replyLength, 0u);
  EXPECT_EQ(writer_.packets.size(), 1u);
  ExpectIdentityKept();
}

TEST_F(BoundsTest, ShowMessageTakesUpTo65535CharactersAndTheirZeroByte) {
  writer_.Reply(0x0007);
  EXPECT_TRUE(link_->ShowMessage(std::string(65535, 'a').c_str()));
  ExpectOneFullPacket();
  EXPECT_EQ(writer_.Header(0).param[0], 65535u);
  EXPECT_EQ(writer_.packets[0][65566], 'a');
  EXPECT_EQ(writer_.packets[0][65567], 0);

  writer_.Reply(0x0007);
  EXPECT_FALSE(link_->ShowMessage(std::string(65536, 'a').c_str()));
  EXPECT_EQ(writer_.packets.size(), 1u);
  ExpectIdentityKept();
}

TEST_F(BoundsTest, WriteFlashTakesUpTo65536Bytes) {
  writer_.Reply(0x0005);
  EXPECT_TRUE(link_->WriteFlash(data_.data(), 0x4000, 65536));
  ExpectOneFullPacket();
  EXPECT_EQ(writer_.Header(0).param[1], 65536u);

  writer_.Reply(0x0005);
  EXPECT_FALSE(link_->WriteFlash(data_.data(), 0x4000, 65537));
  EXPECT_FALSE(link_->WriteFlash(data_.data(), 0x4000, 0xFFFFFFF0));
  EXPECT_EQ(writer_.packets.size(), 1u);
  ExpectIdentityKept();
}

TEST_F(BoundsTest, OpenFileTakesNamesOfUpTo65536Characters) {
  writer_.Reply(0x0011);
  EXPECT_EQ(link_->OpenFile(std::string(65536, 'F').c_str()), 0u);
  ExpectOneFullPacket();

  writer_.Reply(0x0011);
  EXPECT_EQ(link_->OpenFile(std::string(65537, 'F').c_str()), 111u);
  EXPECT_EQ(writer_.packets.size(), 1u);
  ExpectIdentityKept();
}

TEST_F(BoundsTest, AReadTakesAWholePacketOf65568Bytes) {
  writer_.Reply(0x0040, {0}, Bytes(65536, 0xAB));
  Bytes memory(65536, 0);
  EXPECT_TRUE(link_->ReadMemory(0, 65536, memory.data()));
  EXPECT_EQ(writer_.readCapacity, 65568u);
  EXPECT_EQ(memory.back(), 0xAB);
}

}  // namespace
}  // namespace solvane::test
