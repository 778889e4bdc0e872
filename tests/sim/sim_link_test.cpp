#include <gtest/gtest.h>

#include "device/kite_usb.h"
#include "sim/in_process_device_access.h"
#include "sim/sensor_code_block.h"
#include "sim/writer_errors.h"
#include "sim_test_support.h"
#include "tests/support/recording_message_boxes.h"
#include "tools/payload/payload_generator.h"

namespace solvane::sim_test {
namespace {

// The real link against a SimWriter in the same process, on virtual time.
class SimLink : public ::testing::Test {
 protected:
  static constexpr uint32_t kRestartMs = 5000;

  void Start(WriterState state = DefaultWriterState(), FaultSet faults = {}) {
    writer_ = std::make_unique<SimWriter>(std::move(state), hostTime_, FaultPlan(std::move(faults)),
                                          SimTiming{0, 0, 0, kRestartMs});
    access_ = std::make_unique<InProcessDeviceAccess>(*writer_, clock_);
    link_ = std::make_unique<CKiteUsb>(*access_, clock_, boxes_);
    ASSERT_EQ(link_->Open(), 0u);
    ASSERT_EQ(link_->Identify(), 0u);
  }

  // What the update run's restart step does: reset, close, reopen once a second.
  bool Restart() {
    if (!link_->RequestReset(0)) {
      return false;
    }
    clock_.Wait(1000);
    link_->Close();
    for (int attempt = 0; attempt < 15 && !link_->IsOpen(); ++attempt) {
      clock_.Wait(1000);
      link_->Open();
    }
    return link_->IsOpen() && link_->Identify() == 0;
  }

  VirtualClock clock_;
  VirtualHostTime hostTime_{clock_};
  RecordingMessageBoxes boxes_;
  std::unique_ptr<SimWriter> writer_;
  std::unique_ptr<InProcessDeviceAccess> access_;
  NoProgress progress_;
  std::unique_ptr<CKiteUsb> link_;
};

TEST_F(SimLink, IdentifyAndBootVersions) {
  WriterState state = DefaultWriterState();
  SensorCodeBlock::Seal(state.sensorFlash, 14001);
  Start(state);
  EXPECT_EQ(link_->machineType(), 19u);
  EXPECT_EQ(link_->versionWord(), 0x01630000u);
  EXPECT_EQ(link_->build(), 35000u);
  EXPECT_EQ(link_->bootMode(), 0u);
  EXPECT_EQ(link_->maximumChunk(), 65536u);
  EXPECT_EQ(link_->sensorBoardBuild(), 14001u);
  uint32_t mainVersion = 0, mainBuild = 0;
  EXPECT_EQ(link_->ReadBootVersions(&mainVersion, &mainBuild), 0u);
  EXPECT_EQ(mainVersion, 0x01000000u);
  EXPECT_EQ(mainBuild, 35600u);
}

TEST_F(SimLink, GeneratedCodeImagesTakeEffectAfterTheRestart) {
  Start();
  std::vector<uint8_t> boot = GenerateImage(170);
  std::vector<uint8_t> application = GenerateImage(169);
  ASSERT_FALSE(boot.empty());
  ASSERT_FALSE(application.empty());
  EXPECT_EQ(link_->SendBootCode(boot.data(), static_cast<uint32_t>(boot.size()), progress_), 0u);
  link_->SendImageCrc(Crc32Of(application.data(), application.size()));
  EXPECT_EQ(link_->SendApplicationCode(application.data(),
                                       static_cast<uint32_t>(application.size()), 19, progress_),
            0u);
  EXPECT_EQ(link_->build(), 35000u);

  uint64_t before = clock_.NowMs();
  ASSERT_TRUE(Restart());
  EXPECT_GE(clock_.NowMs() - before, kRestartMs);
  EXPECT_EQ(link_->versionWord(), 0x02000000u);
  EXPECT_EQ(link_->build(), 35675u);
  EXPECT_EQ(link_->bootMode(), 0u);
  uint32_t mainVersion = 0, mainBuild = 0;
  EXPECT_EQ(link_->ReadBootVersions(&mainVersion, &mainBuild), 0u);
  EXPECT_EQ(mainVersion, 0x01000000u);
  EXPECT_EQ(mainBuild, 35673u);
}

TEST_F(SimLink, TheWriterIsGoneWhileItRestarts) {
  Start();
  ASSERT_TRUE(link_->RequestReset(0));
  EXPECT_FALSE(link_->ShowMessage(nullptr));  // the old handle is dead
  link_->Close();
  EXPECT_NE(link_->Open(), 0u);
  EXPECT_FALSE(link_->IsOpen());
  clock_.Advance(kRestartMs);
  EXPECT_EQ(link_->Open(), 0u);
  EXPECT_TRUE(link_->ShowMessage(nullptr));
}

TEST_F(SimLink, AnInstantRestartStillDropsTheLink) {
  writer_ = std::make_unique<SimWriter>(DefaultWriterState(), hostTime_);
  access_ = std::make_unique<InProcessDeviceAccess>(*writer_, clock_);
  link_ = std::make_unique<CKiteUsb>(*access_, clock_, boxes_);
  ASSERT_EQ(link_->Open(), 0u);
  ASSERT_TRUE(link_->RequestReset(0));
  EXPECT_FALSE(link_->ShowMessage(nullptr));
  link_->Close();
  EXPECT_EQ(link_->Open(), 0u);
  EXPECT_TRUE(link_->ShowMessage(nullptr));
}

TEST_F(SimLink, XLoaderReadBackMatchesAfterItIsSent) {
  Start();
  std::vector<uint8_t> xLoader = GenerateImage(189);
  uint32_t n = static_cast<uint32_t>(xLoader.size());
  uint32_t address = link_->QueryPartition(kXLoaderPartition);
  ASSERT_NE(address, 0u);
  std::vector<uint8_t> back(n);
  auto readBack = [&] {
    for (uint32_t offset = 0; offset < n; offset += link_->maximumChunk()) {
      uint32_t chunk = std::min(n - offset, link_->maximumChunk());
      if (!link_->ReadMemory(address + offset, chunk, back.data() + offset)) {
        return false;
      }
    }
    return true;
  };
  ASSERT_TRUE(readBack());
  EXPECT_NE(back, xLoader);
  EXPECT_EQ(link_->SendXLoader(xLoader.data(), n, progress_), 0u);
  ASSERT_TRUE(readBack());
  EXPECT_EQ(back, xLoader);
}

TEST_F(SimLink, WifiImageEraseWriteAndReadBack) {
  Start();
  std::vector<uint8_t> image = GenerateImage(190);
  uint32_t n = static_cast<uint32_t>(image.size());
  uint32_t size = 0;
  uint32_t address = link_->QueryPartition(kWifiApplicationPartition, &size);
  ASSERT_GE(size, n);
  // Writing over the old image without an erase leaves a mix of both.
  for (uint32_t offset = 0; offset < n; offset += 65536) {
    ASSERT_TRUE(
        link_->WriteFlash(image.data() + offset, address + offset, std::min(n - offset, 65536u)));
  }
  std::vector<uint8_t> back(n);
  auto readBack = [&] {
    for (uint32_t offset = 0; offset < n; offset += 65536) {
      ASSERT_TRUE(
          link_->ReadMemory(address + offset, std::min(n - offset, 65536u), back.data() + offset));
    }
  };
  readBack();
  EXPECT_NE(back, image);

  ASSERT_TRUE(link_->EraseFlash(address, size));
  for (uint32_t offset = 0; offset < n; offset += 65536) {
    ASSERT_TRUE(
        link_->WriteFlash(image.data() + offset, address + offset, std::min(n - offset, 65536u)));
  }
  readBack();
  EXPECT_EQ(back, image);
}

TEST_F(SimLink, SensorBoardSubCommands) {
  Start();
  uint8_t mode = 0;
  uint8_t reply[1024];
  uint32_t replyLength = 99;
  ASSERT_EQ(link_->SendCommand(kSensorMode, &mode, 1, reply, sizeof(reply), &replyLength), 0u);
  EXPECT_EQ(replyLength, 1u);
  EXPECT_EQ(reply[0], 0);
  std::vector<uint8_t> write = Le32s({0x80002000});
  for (int i = 0; i < 512; ++i) {
    write.push_back(static_cast<uint8_t>(i ^ 0x5A));
  }
  ASSERT_EQ(link_->SendCommand(kSensorWrite, write.data(), static_cast<uint32_t>(write.size())),
            0u);
  std::vector<uint8_t> range = Le32s({0x80002000, 512});
  ASSERT_EQ(link_->SendCommand(kSensorCrc, range.data(), 8, reply, sizeof(reply), &replyLength),
            0u);
  ASSERT_EQ(replyLength, 4u);
  uint32_t boardCrc =
      uint32_t{reply[0]} << 24 | uint32_t{reply[1]} << 16 | uint32_t{reply[2]} << 8 | reply[3];
  EXPECT_EQ(boardCrc, Crc32Of(write.data() + 4, 512));
  mode = 1;
  ASSERT_EQ(link_->SendCommand(kSensorMode, &mode, 1), 0u);
  ASSERT_EQ(link_->Identify(), 0u);
  // Part of the code was overwritten: its check fails and the board runs nothing.
  EXPECT_EQ(link_->sensorBoardBuild(), 0u);
  // A sub-command the board refuses is a failure of the request.
  EXPECT_EQ(link_->SendCommand(kSensorWrite, write.data(), 4), kResultNoReply);
}

TEST_F(SimLink, ClockFilesAndRefusedReset) {
  WriterState state = DefaultWriterState();
  state.clockOffsetSeconds = -400;
  state.files = {"REALTIME.000"};
  state.realtimeActive = true;
  Start(state);
  uint32_t writerTime = 0;
  ASSERT_EQ(link_->ExchangeClock(0, 0, &writerTime), 0u);
  uint32_t host =
      static_cast<uint32_t>(VirtualHostTime::kDefaultStartMs / 1000 + clock_.NowMs() / 1000);
  EXPECT_EQ(host - writerTime, 400u);
  ASSERT_EQ(link_->ExchangeClock(host, 1, &writerTime), 0u);
  EXPECT_EQ(writerTime, host);

  EXPECT_EQ(link_->OpenFile("REALTIME.000"), 0u);
  EXPECT_FALSE(link_->RequestReset(0));
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].text, "Cannot Program, File open and Real-Time Active");
  EXPECT_TRUE(link_->CloseFile());
  EXPECT_EQ(link_->OpenFile("JOB1.SGN"), kWriterErrorFileNotFound);
}

TEST_F(SimLink, HostileRepliesBecomeTheLinkResults) {
  FaultSet faults;
  faults.replies.push_back({kIdentify, 2, 0, 1, ReplyFaultKind::kShortReply, 31});
  faults.replies.push_back({kSendBootCode, 0, 2, 1, ReplyFaultKind::kNoReply});
  faults.replies.push_back({kSendBootCode, 0, 3, 1, ReplyFaultKind::kStatus, kWriterBusy});
  faults.replies.push_back({kReadMemory, 1, 0, 1, ReplyFaultKind::kWrongCode, kReadMemory + 1});
  Start(DefaultWriterState(), faults);
  uint32_t sequence = link_->sequenceCount();
  EXPECT_EQ(link_->Identify(), kResultNoReply);
  EXPECT_EQ(link_->sequenceCount(), sequence + 1);

  auto boot = CodeImage(FirmwareHeader::kBoot, 0x01000000, 35673, 4 * 65536);
  EXPECT_EQ(link_->SendBootCode(boot.data(), static_cast<uint32_t>(boot.size()), progress_),
            kResultNoChunkReply);
  EXPECT_EQ(link_->SendBootCode(boot.data(), static_cast<uint32_t>(boot.size()), progress_),
            kWriterBusy);
  EXPECT_EQ(link_->SendBootCode(boot.data(), static_cast<uint32_t>(boot.size()), progress_), 0u);
  uint8_t buffer[16];
  EXPECT_FALSE(link_->ReadMemory(0x00020000, 16, buffer));
  EXPECT_TRUE(link_->ReadMemory(0x00020000, 16, buffer));
}

TEST_F(SimLink, RestartThatNeverEndsKeepsTheWriterAway) {
  FaultSet faults;
  faults.restarts.push_back({1, true, 0});
  Start(DefaultWriterState(), faults);
  EXPECT_FALSE(Restart());
  EXPECT_TRUE(access_->away());
}

TEST_F(SimLink, LateRestartIsWaitedForOnlyAsLongAsTheUpdaterTries) {
  FaultSet faults;
  faults.restarts.push_back({1, false, 8000});
  faults.restarts.push_back({2, false, 30000});
  Start(DefaultWriterState(), faults);
  EXPECT_TRUE(Restart());
  EXPECT_FALSE(Restart());
  clock_.Advance(30000);
  EXPECT_EQ(link_->Open(), 0u);
}

}  // namespace
}  // namespace solvane::sim_test
