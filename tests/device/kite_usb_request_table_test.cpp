// Every request of the link with the writer's own numbers: the request code,
// the parameters, the payload, and the one reply code that counts as done.
// The numbers are written out here on purpose, not taken from request_codes.h,
// so that a wrong code there cannot check itself.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/device/fake_writer.h"

namespace solvane::test {
namespace {

struct SentPacket {
  uint16_t code;
  uint32_t length;
  Params params;
  Bytes payload;
};

struct Reply {
  uint16_t code;  // 0: the request ignores its reply
  Params params;
  Bytes payload;
};

struct RequestRow {
  std::string name;
  std::vector<SentPacket> sent;
  Reply reply;  // the reply to the last packet; earlier ones get a reply of their own code
  // Makes the request; true when the link took the reply as done and gave out
  // what the reply carried.
  std::function<bool(CKiteUsb&)> done;
};

Bytes Padded(Bytes bytes, size_t length) {
  bytes.resize(length, 0);
  return bytes;
}

// The link is identified as machine type 20 with a maximum chunk of 65536.
std::vector<RequestRow> Requests() {
  const Bytes image{1, 2, 3};
  // CRC register over 01 02 03 from 0xFFFFFFFF, without the final inversion.
  const uint32_t imageCrc = 0xAA437FE2;
  const Params chunkParams{20, 0, 3, 0, 0xC00DC00D};
  return {
      {"Identify",
       {{0x0001, 0, {}, {}}},
       {0x0001, {20, 0x01020304, 0, 35675}, Pairs({{0, 14760}})},
       [](CKiteUsb& link) {
         uint32_t type = 0, version = 0, boot = 9, build = 0;
         return link.Identify(&type, &version, &boot, &build) == 0 && type == 20 &&
                version == 0x01020304 && boot == 0 && build == 35675 &&
                link.sensorBoardBuild() == 14760;
       }},
      {"SendApplicationCode",
       {{0x0002, 3, chunkParams, image}},
       {0x0005, {}, {}},
       [image](CKiteUsb& link) {
         NoProgress progress;
         return link.SendApplicationCode(image.data(), 3, 20, progress) == 0;
       }},
      {"ShowMessage",
       {{0x0007, 32, {2}, Padded({'H', 'i'}, 32)}},
       {0x0007, {}, {}},
       [](CKiteUsb& link) { return link.ShowMessage("Hi"); }},
      {"OpenFile",
       {{0x0011, 8, {}, Padded({'A', 'B'}, 8)}},
       {0x0011, {}, {}},
       [](CKiteUsb& link) { return link.OpenFile("AB") == 0; }},
      {"CloseFile",
       {{0x0012, 0, {}, {}}},
       {0x0012, {}, {}},
       [](CKiteUsb& link) { return link.CloseFile(); }},
      {"SendImageCrc",
       {{0x0025, 0, {0x12345678}, {}}},
       {0, {}, {}},
       [](CKiteUsb& link) {
         link.SendImageCrc(0x12345678);
         return true;
       }},
      {"ReadMemory",
       {{0x0040, 0, {0x2000, 4, 0, 0, 4}, {}}},
       {0x0040, {0x2000}, {9, 8, 7, 6}},
       [](CKiteUsb& link) {
         Bytes data(4, 0);
         return link.ReadMemory(0x2000, 4, data.data()) && data == Bytes{9, 8, 7, 6};
       }},
      {"SendBootCode",
       {{0x0025, 0, {imageCrc}, {}}, {0x0050, 3, chunkParams, image}},
       {0x0005, {}, {}},
       [image](CKiteUsb& link) {
         NoProgress progress;
         return link.SendBootCode(image.data(), 3, progress) == 0;
       }},
      {"RequestReset",
       {{0x0051, 0, {2}, {}}},
       {0x0051, {}, {}},
       [](CKiteUsb& link) { return link.RequestReset(2); }},
      {"SendXLoader",
       {{0x0025, 0, {imageCrc}, {}}, {0x0060, 3, chunkParams, image}},
       {0x0005, {}, {}},
       [image](CKiteUsb& link) {
         NoProgress progress;
         return link.SendXLoader(image.data(), 3, progress) == 0;
       }},
      {"EraseFlash",
       {{0x1009, 0, {0x8000, 0x20000}, {}}},
       {0x1009, {}, {}},
       [](CKiteUsb& link) { return link.EraseFlash(0x8000, 1); }},
      {"WriteFlash",
       {{0x100A, 32, {0x4000, 3}, Padded(image, 32)}},
       {0x0005, {}, {}},
       [image](CKiteUsb& link) { return link.WriteFlash(image.data(), 0x4000, 3); }},
      {"QueryPartition",
       {{0x100B, 0, {9}, {}}},
       {0x100B, {0x01020000, 0x20000}, {}},
       [](CKiteUsb& link) {
         uint32_t size = 0;
         return link.QueryPartition(9, &size) == 0x01020000 && size == 0x20000;
       }},
      {"ExchangeClock",
       {{0xE005, 0, {1600000000, 1}, {}}},
       {0xE005, {1700000000}, {}},
       [](CKiteUsb& link) {
         uint32_t writerTime = 0;
         return link.ExchangeClock(1600000000, 1, &writerTime) == 0 && writerTime == 1700000000;
       }},
      {"ReadBootVersions",
       {{0xE019, 0, {}, {}}},
       {0xE019, {0x01000000, 35673, 0x00090000, 35600}, {}},
       [](CKiteUsb& link) {
         uint32_t mainVersion = 0, mainBuild = 0, secondaryVersion = 0, secondaryBuild = 0;
         return link.ReadBootVersions(&mainVersion, &mainBuild, &secondaryVersion,
                                      &secondaryBuild) == 0 &&
                mainVersion == 0x01000000 && mainBuild == 35673 && secondaryVersion == 0x00090000 &&
                secondaryBuild == 35600;
       }},
      {"SendCommand",
       {{0xE023, 4, {25}, {1, 2, 3, 4}}},
       {0xE023, {}, {0xAB, 0xCD}},
       [](CKiteUsb& link) {
         Bytes payload{1, 2, 3, 4};
         Bytes reply(2, 0);
         uint32_t replyLength = 0;
         return link.SendCommand(25, payload.data(), 4, reply.data(), 2, &replyLength) == 0 &&
                reply == Bytes{0xAB, 0xCD} && replyLength == 2;
       }},
  };
}

class RequestTableTest : public LinkTest {
 protected:
  void SetUp() override { Connect(20); }

  // Scripts the row's replies, the last one with `lastCode`, and makes the request.
  bool Make(const RequestRow& row, uint16_t lastCode) {
    writer_.packets.clear();
    writer_.replies.clear();
    for (size_t i = 0; i + 1 < row.sent.size(); ++i) {
      writer_.Reply(row.sent[i].code);
    }
    writer_.Reply(lastCode, row.reply.params, row.reply.payload);
    return row.done(*link_);
  }
};

TEST_F(RequestTableTest, EveryRequestSendsItsNumbersAndIsDoneOnlyOnItsReply) {
  for (const RequestRow& row : Requests()) {
    SCOPED_TRACE(row.name);
    uint16_t code = row.reply.code != 0 ? row.reply.code : row.sent.back().code;
    EXPECT_TRUE(Make(row, code));
    ASSERT_EQ(writer_.packets.size(), row.sent.size());
    for (size_t i = 0; i < row.sent.size(); ++i) {
      const SentPacket& want = row.sent[i];
      PacketHeader header = writer_.Header(i);
      EXPECT_EQ(header.code, want.code) << "packet " << i;
      EXPECT_EQ(header.length, want.length) << "packet " << i;
      EXPECT_EQ(writer_.packets[i].size(), 32 + want.length) << "packet " << i;
      EXPECT_EQ((Params{header.param[0], header.param[1], header.param[2], header.param[3],
                        header.param[4]}),
                want.params)
          << "packet " << i;
      EXPECT_EQ(writer_.Payload(i), want.payload) << "packet " << i;
    }
    if (row.reply.code != 0) {
      // A chunk-accepted reply for a request that wants its own code, and the
      // other way round.
      uint16_t other = row.reply.code == 0x0005 ? row.sent.back().code : 0x0005;
      EXPECT_FALSE(Make(row, other));
    }
  }
}

}  // namespace
}  // namespace solvane::test
