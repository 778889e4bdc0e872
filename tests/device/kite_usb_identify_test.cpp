#include <gtest/gtest.h>

#include "device/request_codes.h"
#include "tests/device/fake_writer.h"

namespace solvane::test {
namespace {

class IdentifyTest : public LinkTest {
 protected:
  void SetUp() override { ASSERT_EQ(link_->Open(), 0u); }
};

TEST_F(IdentifyTest, StoresAndGivesTheReportedIdentity) {
  writer_.Reply(kIdentify, {20, 0x01234500, 0, 35675}, Pairs({{0, 7}}));
  uint32_t type = 0, version = 0, boot = 9, build = 0;
  EXPECT_EQ(link_->Identify(&type, &version, &boot, &build), 0u);
  EXPECT_EQ(writer_.Header(0).code, kIdentify);
  EXPECT_EQ(writer_.Header(0).length, 0u);
  EXPECT_EQ(type, 20u);
  EXPECT_EQ(version, 0x01234500u);
  EXPECT_EQ(boot, 0u);
  EXPECT_EQ(build, 35675u);
  EXPECT_EQ(link_->machineType(), 20u);
  EXPECT_EQ(link_->maximumChunk(), 65536u);
  EXPECT_EQ(link_->sensorBoardBuild(), 7u);
}

TEST_F(IdentifyTest, MachineTypeAbove22IsStoredAs22) {
  writer_.Reply(kIdentify, {40});
  uint32_t type = 0;
  link_->Identify(&type);
  EXPECT_EQ(type, 22u);
  EXPECT_EQ(link_->machineType(), 22u);
}

TEST_F(IdentifyTest, OlderModelsTakeSmallChunks) {
  for (uint32_t type : {1u, 2u, 5u, 6u, 15u, 16u, 40u}) {
    writer_.Reply(kIdentify, {type});
    link_->Identify();
    bool small = type == 2 || (type >= 6 && type <= 15);
    EXPECT_EQ(link_->maximumChunk(), small ? 8192u : 65536u) << type;
  }
}

TEST_F(IdentifyTest, BootModeCorrectionsApplyOnlyInBootMode) {
  struct Case {
    uint32_t type, version, boot, wantType, wantBoot;
  };
  // Both ends of every version range, from inside and from outside.
  for (Case c : {Case{3, 0x4F, 1, 3, 1},  Case{3, 0x50, 1, 4, 1},  Case{3, 0x51, 1, 4, 1},
                 Case{3, 0x53, 1, 4, 1},  Case{3, 0x54, 1, 3, 1},  Case{3, 0x5F, 1, 3, 1},
                 Case{3, 0x60, 1, 5, 1},  Case{3, 0x62, 1, 5, 1},  Case{3, 0x63, 1, 3, 1},
                 Case{3, 0x51, 0, 3, 0},  Case{3, 0x61, 0, 3, 0},  Case{1, 0xFF, 1, 1, 1},
                 Case{1, 0x100, 1, 1, 0}, Case{1, 0x150, 1, 1, 0}, Case{1, 0x1FF, 1, 1, 0},
                 Case{1, 0x200, 1, 1, 1}, Case{1, 0x150, 0, 1, 0}, Case{4, 0x51, 1, 4, 1},
                 Case{2, 0x150, 1, 2, 1}, Case{3, 0x51, 2, 4, 2}}) {
    writer_.Reply(kIdentify, {c.type, c.version, c.boot});
    uint32_t type = 0, boot = 0;
    link_->Identify(&type, nullptr, &boot);
    EXPECT_EQ(type, c.wantType) << c.type << " " << c.version << " " << c.boot;
    EXPECT_EQ(boot, c.wantBoot) << c.type << " " << c.version << " " << c.boot;
    EXPECT_EQ(link_->machineType(), c.wantType);
    EXPECT_EQ(link_->bootMode(), c.wantBoot);
  }
}

TEST_F(IdentifyTest, BuildOnlyFromType16Up) {
  writer_.Reply(kIdentify, {15, 0, 0, 500});
  uint32_t build = 0xAAAA;
  link_->Identify(nullptr, nullptr, nullptr, &build);
  EXPECT_EQ(build, 0xAAAAu);
  EXPECT_EQ(link_->build(), 0u);

  writer_.Reply(kIdentify, {16, 0, 0, 500});
  link_->Identify(nullptr, nullptr, nullptr, &build);
  EXPECT_EQ(build, 500u);
  EXPECT_EQ(link_->build(), 500u);
}

TEST_F(IdentifyTest, AnotherReplyKeepsTheIdentityButClearsTheSensorBoardBuild) {
  writer_.Reply(kIdentify, {19, 0x01000000, 0, 42}, Pairs({{0, 7}}));
  link_->Identify();
  writer_.Reply(kStatusReply, {3, 1, 2, 3, 4});
  uint32_t type = 0xAA;
  EXPECT_EQ(link_->Identify(&type), 0u);
  EXPECT_EQ(type, 0xAAu);
  EXPECT_EQ(link_->machineType(), 19u);
  EXPECT_EQ(link_->versionWord(), 0x01000000u);
  EXPECT_EQ(link_->build(), 42u);
  EXPECT_EQ(link_->maximumChunk(), 65536u);
  EXPECT_EQ(link_->sensorBoardBuild(), 0u);
}

TEST_F(IdentifyTest, NoReplyIs111AndClearsOnlyTheSensorBoardBuild) {
  writer_.Reply(kIdentify, {19, 0x01000000, 0, 42}, Pairs({{0, 7}}));
  link_->Identify();
  writer_.ReplyRaw(Bytes(20, 0));
  EXPECT_EQ(link_->Identify(), 111u);
  EXPECT_EQ(link_->machineType(), 19u);
  EXPECT_EQ(link_->sensorBoardBuild(), 0u);
}

TEST_F(IdentifyTest, SensorBoardBuildComesFromTheLastKeyZeroPair) {
  Bytes twelve = Pairs({{0, 7}});
  twelve.insert(twelve.end(), {0, 0, 0, 0});  // a stray half pair
  writer_.Reply(kIdentify, {20}, twelve);
  link_->Identify();
  EXPECT_EQ(link_->sensorBoardBuild(), 7u);

  writer_.Reply(kIdentify, {20}, Pairs({{0, 7}, {5, 1}, {0, 9}}));
  link_->Identify();
  EXPECT_EQ(link_->sensorBoardBuild(), 9u);

  writer_.Reply(kIdentify, {20}, Pairs({{1, 7}, {2, 9}}));
  link_->Identify();
  EXPECT_EQ(link_->sensorBoardBuild(), 0u);
}

TEST_F(IdentifyTest, PairsAreReadOnlyFromTheBytesThatArrived) {
  // The reply claims two pairs, or far more than a packet, but brings one.
  writer_.ReplyRaw(Packet(kIdentify, 16, {20}, Pairs({{0, 7}})));
  link_->Identify();
  EXPECT_EQ(link_->sensorBoardBuild(), 7u);

  writer_.ReplyRaw(Packet(kIdentify, 0xFFFFFFF0, {20}, Pairs({{0, 8}})));
  link_->Identify();
  EXPECT_EQ(link_->sensorBoardBuild(), 8u);

  writer_.ReplyRaw(Packet(kIdentify, 8, {20}, {0, 0, 0, 0, 9, 0}));
  link_->Identify();
  EXPECT_EQ(link_->sensorBoardBuild(), 0u);
}

}  // namespace
}  // namespace solvane::test
