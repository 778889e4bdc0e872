#include <gtest/gtest.h>

#include "device/request_codes.h"
#include "package/crc32.h"
#include "tests/device/fake_writer.h"

namespace solvane::test {
namespace {

Bytes Image(size_t size) {
  Bytes image(size);
  for (size_t i = 0; i < size; ++i) {
    image[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
  }
  return image;
}

std::vector<std::string> Calls(std::initializer_list<const char*> calls) {
  return {calls.begin(), calls.end()};
}

class TransferTest : public LinkTest {
 protected:
  void AcceptChunks(int count) {
    for (int i = 0; i < count; ++i) {
      writer_.Reply(kChunkAccepted);
    }
  }
  // Checks packets [first, first + sizes) as consecutive chunks of `image`.
  void ExpectChunks(size_t first,
                    uint16_t code,
                    uint32_t typeSent,
                    const Bytes& image,
                    const std::vector<uint32_t>& sizes) {
    uint32_t offset = 0;
    ASSERT_EQ(writer_.packets.size(), first + sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
      PacketHeader header = writer_.Header(first + i);
      EXPECT_EQ(header.code, code);
      EXPECT_EQ(header.length, sizes[i]);
      EXPECT_EQ(header.param[0], typeSent);
      EXPECT_EQ(header.param[1], 0u);
      EXPECT_EQ(header.param[2], image.size());
      EXPECT_EQ(header.param[3], offset);
      EXPECT_EQ(header.param[4], kTransferMarker);
      EXPECT_EQ(writer_.Payload(first + i),
                Bytes(image.begin() + offset, image.begin() + offset + sizes[i]));
      offset += sizes[i];
    }
  }
};

TEST_F(TransferTest, XLoaderAnnouncesItsChecksumThenSendsWholeChunks) {
  Connect(20);
  Bytes image = Image(150000);
  writer_.Reply(kSendImageCrc);
  AcceptChunks(3);
  EXPECT_EQ(link_->SendXLoader(image.data(), 150000, progress_), 0u);
  EXPECT_EQ(writer_.Header(0).code, kSendImageCrc);
  EXPECT_EQ(writer_.Header(0).length, 0u);
  EXPECT_EQ(writer_.Header(0).param[0], Crc32Of(image.data(), image.size()));
  ExpectChunks(1, kSendXLoader, 20, image, {65536, 65536, 18928});
  EXPECT_EQ(progress_.calls, Calls({"start 150000", "+65536", "+65536", "+18928", "end"}));
}

TEST_F(TransferTest, BootCodeOnAnOlderModelUsesItsSmallChunks) {
  Connect(6);
  Bytes image = Image(20000);
  writer_.Reply(kSendImageCrc);
  AcceptChunks(3);
  EXPECT_EQ(link_->SendBootCode(image.data(), 20000, progress_), 0u);
  ExpectChunks(1, kSendBootCode, 6, image, {8192, 8192, 3616});
  EXPECT_EQ(progress_.calls, Calls({"start 20000", "+8192", "+8192", "+3616", "end"}));
}

TEST_F(TransferTest, TheChecksumReplyIsIgnored) {
  Connect(20);
  Bytes image = Image(10);
  writer_.Silence();
  writer_.Reply(kChunkAccepted);
  EXPECT_EQ(link_->SendXLoader(image.data(), 10, progress_), 0u);
  ExpectChunks(1, kSendXLoader, 20, image, {10});
}

TEST_F(TransferTest, EmptyXLoaderStillAnnouncesTheInitialRegister) {
  Connect(20);
  writer_.Reply(kSendImageCrc);
  EXPECT_EQ(link_->SendXLoader(nullptr, 0, progress_), 0u);
  ASSERT_EQ(writer_.packets.size(), 1u);
  EXPECT_EQ(writer_.Header(0).code, kSendImageCrc);
  EXPECT_EQ(writer_.Header(0).param[0], 0xFFFFFFFFu);
}

TEST_F(TransferTest, UnidentifiedLinkFailsInsteadOfSendingNothing) {
  ASSERT_EQ(link_->Open(), kErrorSuccess);
  Bytes image = Image(10);
  EXPECT_EQ(link_->SendXLoader(image.data(), 10, progress_), kResultNoReply);
  EXPECT_EQ(link_->SendBootCode(image.data(), 10, progress_), kResultNoReply);
  EXPECT_TRUE(writer_.packets.empty());
}

TEST_F(TransferTest, ApplicationCodeGoesInChunksOf64KiBWithoutAnnouncement) {
  Connect(6);  // its maximum chunk does not apply here
  Bytes image = Image(150000);
  AcceptChunks(3);
  EXPECT_EQ(link_->SendApplicationCode(image.data(), 150000, 6, progress_), 0u);
  ExpectChunks(0, kSendApplicationCode, 6, image, {65536, 65536, 18928});
}

TEST_F(TransferTest, ApplicationCodeForAnotherMachineTypeSendsNothing) {
  Connect(20);
  Bytes image = Image(100);
  EXPECT_EQ(link_->SendApplicationCode(image.data(), 100, 19, progress_), 11u);
  EXPECT_EQ(link_->SendApplicationCode(nullptr, 0, 20, progress_), 0u);
  EXPECT_TRUE(writer_.packets.empty());
}

TEST_F(TransferTest, ApplicationCodeTellsCorrectedBootCodeItsOldType) {
  struct Case {
    uint32_t reportedType, version, boot, typeSent;
  };
  for (Case c : {Case{3, 0x51, 1, 3}, Case{3, 0x61, 1, 3}, Case{4, 0x51, 0, 4}, Case{4, 0x4F, 1, 4},
                 Case{4, 0x50, 1, 3}, Case{4, 0x53, 1, 3}, Case{4, 0x54, 1, 4}, Case{5, 0x5F, 1, 5},
                 Case{5, 0x60, 1, 3}, Case{5, 0x62, 1, 3}, Case{5, 0x63, 1, 5}, Case{5, 0x61, 0, 5},
                 Case{4, 0x61, 1, 4}, Case{5, 0x51, 1, 5}}) {
    Connect(c.reportedType, c.version, c.boot);
    Bytes image = Image(4);
    writer_.Reply(kChunkAccepted);
    EXPECT_EQ(link_->SendApplicationCode(image.data(), 4, link_->machineType(), progress_), 0u);
    EXPECT_EQ(writer_.Header(0).param[0], c.typeSent) << c.reportedType << " " << c.version;
  }
}

TEST_F(TransferTest, StatusReplyEndsTheTransferWithTheWritersCode) {
  Connect(20);
  Bytes image = Image(150000);
  writer_.Reply(kSendImageCrc);
  writer_.Reply(kChunkAccepted);
  writer_.Reply(kStatusReply, {3});
  AcceptChunks(1);
  EXPECT_EQ(link_->SendXLoader(image.data(), 150000, progress_), 3u);
  EXPECT_EQ(writer_.packets.size(), 3u);
  EXPECT_EQ(progress_.calls, Calls({"start 150000", "+65536", "end"}));

  // A status reply without an error code ends it the same way, reported as done.
  writer_.packets.clear();
  writer_.replies.clear();
  progress_.calls.clear();
  writer_.Reply(kChunkAccepted);
  writer_.Reply(kStatusReply, {0});
  AcceptChunks(1);
  EXPECT_EQ(link_->SendApplicationCode(image.data(), 150000, 20, progress_), 0u);
  EXPECT_EQ(writer_.packets.size(), 2u);
  EXPECT_EQ(progress_.calls, Calls({"start 150000", "+65536", "end"}));
}

TEST_F(TransferTest, MissingOrUnexpectedChunkReplies) {
  Connect(20);
  Bytes image = Image(70000);
  writer_.Reply(kSendImageCrc);
  writer_.Reply(kChunkAccepted);
  writer_.ReplyRaw(Bytes(12, 0));
  EXPECT_EQ(link_->SendBootCode(image.data(), 70000, progress_), 101u);
  EXPECT_EQ(progress_.calls, Calls({"start 70000", "+65536", "end"}));

  writer_.Reply(kSendImageCrc);
  writer_.Reply(kSendBootCode);
  EXPECT_EQ(link_->SendBootCode(image.data(), 70000, progress_), 111u);

  writer_.Silence();
  EXPECT_EQ(link_->SendApplicationCode(image.data(), 70000, 20, progress_), 101u);
}

}  // namespace
}  // namespace solvane::test
