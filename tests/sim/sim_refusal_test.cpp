#include <gtest/gtest.h>

#include "sim/state_report.h"
#include "sim/writer_errors.h"
#include "sim/writer_files.h"
#include "sim_test_support.h"

namespace solvane::sim_test {
namespace {

constexpr uint32_t kBlock = 0x20000;

nlohmann::json WifiRegions(SimHarness& sim) {
  return StateReport(sim.writer.State())["wifi"]["regions"];
}

TEST(SimRefusals, WifiFlashOutsideThePartitionsIsKept) {
  SimHarness sim;
  Place app = Query(sim, kWifiApplicationPartition);
  Place nvs = Query(sim, kWifiNvsPartition);
  nlohmann::json before = WifiRegions(sim);
  struct Change {
    const char* what;
    uint32_t address;
    uint32_t size;
  };
  const Change erases[] = {
      {"module boot loader", 0x01000000, kBlock},
      {"NVS and the calibration behind it", nvs.address, nvs.size + kBlock},
      {"calibration data", 0x01040000, kBlock},
      {"application and the spare slot behind it", app.address, app.size + kBlock},
      {"spare slot", 0x01200000, kBlock},
  };
  for (const Change& erase : erases) {
    RawReply reply = sim.Send(kEraseFlash, {erase.address, erase.size});
    EXPECT_EQ(reply.header.code, kStatusReply) << erase.what;
    EXPECT_EQ(reply.header.param[0], kWriterErrorProtected) << erase.what;
  }
  const Change writes[] = {
      {"module boot loader", 0x01000000, 32},
      {"across the end of NVS", nvs.address + nvs.size - 16, 32},
      {"calibration data", 0x01040000, 32},
      {"across the end of the application", app.address + app.size - 1, 2},
      {"spare slot", 0x01200000, 32},
  };
  for (const Change& write : writes) {
    RawReply reply = Write(sim, write.address, std::vector<uint8_t>(write.size, 0));
    EXPECT_EQ(reply.header.code, kStatusReply) << write.what;
    EXPECT_EQ(reply.header.param[0], kWriterErrorProtected) << write.what;
  }
  EXPECT_EQ(WifiRegions(sim), before);
  // The partitions themselves still take both, up to their last byte.
  EXPECT_EQ(sim.Send(kEraseFlash, {nvs.address, nvs.size}).header.code, kEraseFlash);
  EXPECT_EQ(Write(sim, app.address + app.size - 2, {0, 0}).header.code, kChunkAccepted);
}

TEST(SimRefusals, TheReportShowsEveryRegionOfTheWifiFlash) {
  SimHarness sim;
  nlohmann::json regions = WifiRegions(sim);
  ASSERT_EQ(regions.size(), 5u);
  uint64_t next = 0x01000000;
  for (const nlohmann::json& region : regions) {
    EXPECT_EQ(region["address"], [&] {
      char text[16];
      std::snprintf(text, sizeof(text), "0x%08X", static_cast<uint32_t>(next));
      return std::string(text);
    }());
    next += region["size"].get<uint64_t>();
    EXPECT_TRUE(region.contains("crc"));
  }
  EXPECT_EQ(next, 0x01400000u);
  // Stray damage shows in the region it hit.
  WriterState state = DefaultWriterState();
  state.wifi[0x40010] ^= 1;  // calibration data
  SimHarness damaged(state);
  nlohmann::json after = WifiRegions(damaged);
  for (size_t i = 0; i < regions.size(); ++i) {
    EXPECT_EQ(after[i]["crc"] != regions[i]["crc"], regions[i]["name"] == "calibration")
        << regions[i]["name"];
  }
}

// A job open on the writer, a file the host opened, or realtime: every
// programming request gets status 3 with the reasons in param1.
TEST(SimRefusals, ABusyWriterRefusesAllProgramming) {
  struct Busy {
    const char* what;
    bool jobOpen;
    bool realtime;
    uint32_t bits;
  };
  for (const Busy& busy : {Busy{"job open", true, false, 1}, Busy{"realtime", false, true, 2},
                           Busy{"both", true, true, 3}}) {
    WriterState state = DefaultWriterState();
    state.jobOpen = busy.jobOpen;
    state.realtimeActive = busy.realtime;
    SimHarness sim(state);
    Place nvs = Query(sim, kWifiNvsPartition);
    std::vector<RawReply> replies = {
        sim.Send(kEraseFlash, {nvs.address, nvs.size}),
        Write(sim, nvs.address, {0, 0}),
        SensorMode(sim, 0),
        sim.Send(kSendCommand, {kSensorCrc}, Le32s({0x80002000, 16})),
        SensorWrite(sim, 0x80002000, std::vector<uint8_t>(4, 0)),
        sim.Transfer(kSendApplicationCode, CodeImage(FirmwareHeader::kApplication, 1, 1, 1000)),
        sim.Transfer(kSendBootCode, CodeImage(FirmwareHeader::kBoot, 1, 1, 1000)),
        sim.Transfer(kSendXLoader, std::vector<uint8_t>(1000, 0)),
        sim.Send(kRequestReset),
    };
    for (size_t i = 0; i < replies.size(); ++i) {
      EXPECT_EQ(replies[i].header.code, kStatusReply) << busy.what << ", request " << i;
      EXPECT_EQ(replies[i].header.param[0], kWriterBusy) << busy.what << ", request " << i;
      EXPECT_EQ(replies[i].header.param[1], busy.bits) << busy.what << ", request " << i;
    }
    // Reading and releasing the board are not programming.
    EXPECT_EQ(sim.Send(kReadMemory, {nvs.address, 16, 0, 0, 4}).header.code, kReadMemory);
    EXPECT_EQ(SensorMode(sim, 1).header.code, kSendCommand);
    EXPECT_EQ(sim.writer.State().wifi, DefaultWriterState().wifi) << busy.what;
  }
}

TEST(SimRefusals, RealtimeMakesItsFileOpenableOnlyWhileItRuns) {
  std::vector<uint8_t> name(16, 0);
  std::string text = WriterFiles::kRealtimeFile;
  std::copy(text.begin(), text.end(), name.begin());
  WriterState state = DefaultWriterState();
  SimHarness idle(state);
  EXPECT_EQ(idle.Send(kOpenFile, {}, name).header.param[0], kWriterErrorFileNotFound);
  state.realtimeActive = true;
  SimHarness running(state);
  EXPECT_EQ(running.Send(kOpenFile, {}, name).header.code, kOpenFile);
}

TEST(SimRefusals, APacketWithAWrongMagicIsRefusedAndNotCarriedOut) {
  FaultSet faults;
  faults.replies.push_back({kRequestReset, 1, 0, 1, ReplyFaultKind::kNoReply});
  SimHarness sim(DefaultWriterState(), faults);
  std::vector<uint8_t> packet = Packet(kRequestReset, {});
  packet[0] = 'R';
  packet[1] = 'Z';
  RawReply reply = sim.SendRaw(packet);
  EXPECT_EQ(reply.header.code, kStatusReply);
  EXPECT_EQ(reply.header.param[0], kWriterErrorBadMagic);
  EXPECT_FALSE(sim.writer.restartRequested());
  // Nor does it count as the first reset request.
  EXPECT_TRUE(sim.Send(kRequestReset).none);
}

}  // namespace
}  // namespace solvane::sim_test
