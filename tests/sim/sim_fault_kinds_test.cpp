#include <gtest/gtest.h>

#include "sim/writer_errors.h"
#include "sim_test_support.h"

namespace solvane::sim_test {
namespace {

ReplyFault Altering(uint16_t code,
                    uint32_t request,
                    ReplyFaultKind kind,
                    uint32_t value,
                    uint32_t index = 0) {
  ReplyFault fault;
  fault.code = code;
  fault.request = request;
  fault.kind = kind;
  fault.value = value;
  fault.index = index;
  return fault;
}

TEST(SimFaultKinds, RepliesWithAWrongLengthPayloadOrParameter) {
  FaultSet faults;
  faults.replies.push_back(Altering(kReadMemory, 1, ReplyFaultKind::kWrongLength, 70000));
  faults.replies.push_back(Altering(kReadMemory, 2, ReplyFaultKind::kShortPayload, 10));
  faults.replies.push_back(Altering(kReadMemory, 3, ReplyFaultKind::kWrongParam, 0x00020100, 0));
  faults.replies.push_back(Altering(kReadMemory, 4, ReplyFaultKind::kWrongByte, 0xAB, 5));
  SimHarness sim(DefaultWriterState(), faults);
  std::vector<uint8_t> xLoader = DefaultWriterState().xLoader;
  std::vector<uint8_t> good(xLoader.begin(), xLoader.begin() + 16);
  auto read = [&] { return sim.Send(kReadMemory, {0x00020000, 16, 0, 0, 4}); };
  RawReply longer = read();
  EXPECT_EQ(longer.header.length, 70000u);
  EXPECT_EQ(longer.payload, good);  // the bytes sent stay what they were
  RawReply cut = read();
  EXPECT_EQ(cut.payload, std::vector<uint8_t>(good.begin(), good.begin() + 10));
  EXPECT_EQ(cut.header.length, 10u);
  RawReply other = read();
  EXPECT_EQ(other.header.param[0], 0x00020100u);
  EXPECT_EQ(other.header.param[1], 16u);
  RawReply changed = read();
  ASSERT_EQ(changed.payload.size(), 16u);
  EXPECT_EQ(changed.payload[5], 0xAB);
  EXPECT_EQ(changed.payload[4], good[4]);
  EXPECT_EQ(read().payload, good);
}

TEST(SimFaultKinds, SubCommandsAndSelectorsAreCountedApart) {
  FaultSet faults;
  ReplyFault crc = Altering(kSendCommand, 2, ReplyFaultKind::kShortPayload, 3);
  crc.subCommand = kSensorCrc;
  ReplyFault mode = Altering(kSendCommand, 1, ReplyFaultKind::kWrongByte, 1, 0);
  mode.subCommand = kSensorMode;
  ReplyFault query = Altering(kQueryPartition, 2, ReplyFaultKind::kWrongParam, 0, 1);
  query.selector = kWifiNvsPartition;
  faults.replies = {crc, mode, query};
  faults.vanish.push_back({kWifiApplicationPartition, 2});
  SimHarness sim(DefaultWriterState(), faults);

  EXPECT_EQ(SensorMode(sim, 0).payload, std::vector<uint8_t>{1});
  EXPECT_EQ(SensorMode(sim, 0).payload, std::vector<uint8_t>{0});
  std::vector<uint8_t> range = Le32s({0x80002000, 64});
  EXPECT_EQ(sim.Send(kSendCommand, {kSensorCrc}, range).payload.size(), 4u);
  EXPECT_EQ(sim.Send(kSendCommand, {kSensorCrc}, range).payload.size(), 3u);
  EXPECT_EQ(sim.Send(kSendCommand, {kSensorCrc}, range).payload.size(), 4u);

  // Queries of the other selector do not bring either fault closer.
  uint32_t nvsSize = Query(sim, kWifiNvsPartition).size;
  EXPECT_NE(Query(sim, kWifiApplicationPartition).size, 0u);
  EXPECT_NE(Query(sim, kXLoaderPartition).size, 0u);
  EXPECT_EQ(Query(sim, kWifiNvsPartition).size, 0u);
  EXPECT_EQ(Query(sim, kWifiNvsPartition).size, nvsSize);
  EXPECT_EQ(Query(sim, kWifiApplicationPartition).size, 0u);
  EXPECT_EQ(Query(sim, kWifiApplicationPartition).size, 0u);
}

TEST(SimFaultKinds, RestartsThatNeverEndOrEndLate) {
  FaultSet faults;
  faults.restarts.push_back({1, false, 7000});
  faults.restarts.push_back({2, true, 0});
  SimHarness sim(DefaultWriterState(), faults);
  sim.Restart();  // the first restart, 7000 ms late
  ASSERT_EQ(sim.Send(kRequestReset).header.code, kRequestReset);
  EXPECT_EQ(sim.writer.RestartDurationMs(), std::nullopt);
  sim.writer.CompleteRestart();
  ASSERT_EQ(sim.Send(kRequestReset).header.code, kRequestReset);
  EXPECT_EQ(sim.writer.RestartDurationMs(), 0u);
}

TEST(SimFaultKinds, RestartsThatComeBackAsAnotherWriter) {
  FaultSet faults;
  faults.restarts.push_back({1, false, 0, 5});
  faults.restarts.push_back({2, false, 0, std::nullopt, true});
  faults.restarts.push_back({3, false, 0, std::nullopt, false, 2});
  SimHarness sim(DefaultWriterState(), faults);
  ASSERT_EQ(sim.Send(kRequestReset).header.code, kRequestReset);
  EXPECT_EQ(sim.writer.RestartDurationMs(), 0u);
  sim.writer.CompleteRestart();
  EXPECT_EQ(sim.Send(kIdentify).header.param[0], 5u);

  sim.Restart();
  RawReply boot = sim.Send(kIdentify);
  EXPECT_EQ(boot.header.param[2], 1u);
  EXPECT_EQ(boot.header.param[1], 0x01000000u);  // the boot code's version word
  EXPECT_EQ(boot.header.param[3], 35600u);

  sim.Restart();
  EXPECT_EQ(sim.Send(kIdentify).header.param[2], 0u);  // a valid application runs again
  for (int probe = 0; probe < 2; ++probe) {
    RawReply early = sim.Send(kShowMessage);
    EXPECT_EQ(early.header.code, kStatusReply);
    EXPECT_EQ(early.header.param[0], kWriterErrorNotReady);
  }
  EXPECT_EQ(sim.Send(kShowMessage).header.code, kShowMessage);
  sim.Restart();
  EXPECT_EQ(sim.Send(kShowMessage).header.code, kShowMessage);
}

}  // namespace
}  // namespace solvane::sim_test
