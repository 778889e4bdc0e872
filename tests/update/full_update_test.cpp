// Whole update runs against the simulated writer: what the log, the status
// area, the boxes and the writer's display show, and what the writer holds.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "device/request_codes.h"
#include "tests/support/engine_harness.h"

namespace solvane::engine_test {
namespace {

using ::testing::ElementsAre;

std::vector<uint8_t> Carried(uint32_t id) {
  EmbeddedImage image;
  EXPECT_EQ(LoadEmbeddedImage(LinkedResourceSource(), id, 1024, image), ImageLoadStatus::kOk);
  return std::vector<uint8_t>(image.data.get(), image.data.get() + image.length);
}

std::vector<uint8_t> Region(const std::vector<uint8_t>& wifi, uint32_t address, size_t length) {
  auto begin = wifi.begin() + (address - 0x01000000);
  return std::vector<uint8_t>(begin, begin + length);
}

TEST(FullUpdate, AnAllOldWriterGetsEveryComponentInOrder) {
  Engine engine;
  engine.Start();
  engine.PressGo();

  EXPECT_THAT(
      engine.LogLines(),
      ElementsAre("Solvane Update: Build: 35675",
                  "USB found Solvane/Solvane II(19), App. Ver. 1.63.00, Build 35000", "",
                  "USB found Solvane/Solvane II(19), Main Boot Ver. 1.00.00, Build 35600", "",
                  "USB found Solvane/Solvane II(19), Secondary Boot Ver. 1.00.00, Build 35600", "",
                  "Sending KeySensor Board Code to Solvane/Solvane II...",
                  "Reading WiFi App. from Solvane/Solvane II...",
                  "Sending WiFi App. to Solvane/Solvane II...",
                  "Reading WiFi App. from Solvane/Solvane II...",
                  "Reading WiFi NVS. from Solvane/Solvane II...",
                  "Sending WiFi NVS. to Solvane/Solvane II...",
                  "Reading WiFi NVS. from Solvane/Solvane II...",
                  "Old X-Loader 5.00 (, programming X-Loader 6.00 (",
                  "Sending XLoader Solvane/Solvane II...",
                  "Sending boot code version 1.00.00 Build 35673 to Solvane/Solvane II...",
                  "Sending software version 2.00.00 Build 35675 to Solvane/Solvane II...",
                  "Successfully updated the Solvane/Solvane II.", "Exiting"));
  EXPECT_EQ(engine.log.contents.substr(0, 58),
            "January 01, 2026  00:00:00 - Solvane Update: Build: 35675\n");
  EXPECT_EQ(engine.log.contents.substr(engine.log.contents.size() - 37),
            "January 01, 2026  00:00:09 - Exiting\n");
  // One write and one flush per header and entry line; the closing line is not flushed.
  EXPECT_EQ(engine.log.writes, 17);
  EXPECT_EQ(engine.log.flushes, 16);

  const char* intro =
      "Connect Steno Machine via the USB cable\nand click \"Go!\" to update your machine "
      "software.\n\nSolvane/Solvane II - Build: 35675\nSolvane Captioner/Student - Build: "
      "35675\n";
  EXPECT_THAT(
      engine.window.statusTexts,
      ElementsAre("\n\nSending Sensor Board Code to Solvane/Solvane II...",
                  "\n\nChecking WiFi App. from Solvane/Solvane II...",
                  "\n\nSending WiFi App. to Solvane/Solvane II...",
                  "\n\nChecking WiFi App. from Solvane/Solvane II...",
                  "\n\nChecking WiFi NVS. from Solvane/Solvane II...",
                  "\n\nSending WiFi NVS. to Solvane/Solvane II...",
                  "\n\nChecking WiFi NVS. from Solvane/Solvane II...", "\n\nChecking XLoader...",
                  "\n\nSending XLoader Solvane/Solvane II...",
                  "\n\nSending boot code version 1.00.00 Build 35673 to Solvane/Solvane II...",
                  "\n\nSending Build 35675 to Solvane/Solvane II...",
                  "\n\n\n\n\n\nSolvane/Solvane II Updated.", intro));
  ASSERT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_EQ(engine.window.boxes[0].text,
            "Successfully updated the Solvane/Solvane II.\n           Click OK to Exit.");
  EXPECT_EQ(engine.window.boxes[0].caption, "Solvane Update");
  EXPECT_EQ(engine.window.boxes[0].style, 0x40u);
  EXPECT_EQ(engine.window.ended, 2);
  EXPECT_THAT(engine.writer.display().history(),
              ElementsAre("Updating Keyboard Scanner", "Checking WiFi App...",
                          "Loading WiFi App...", "Checking WiFi App...", "Checking WiFi NVS...",
                          "Loading WiFi NVS...", "Checking WiFi NVS...", "Updating X-Loader",
                          "Programming Boot Code", "Programming Application Code"));

  WriterState state = engine.writer.State();
  ASSERT_TRUE(state.pendingApplication.has_value());
  EXPECT_TRUE(state.pendingApplication->valid);
  EXPECT_EQ(state.pendingApplication->versionWord, 0x02000000u);
  EXPECT_EQ(state.pendingApplication->build, 35675u);
  ASSERT_TRUE(state.pendingBoot.has_value());
  EXPECT_EQ(state.pendingBoot->build, 35673u);
  std::vector<uint8_t> xLoader = Carried(189);
  EXPECT_TRUE(std::equal(xLoader.begin(), xLoader.end(), state.xLoader.begin()));
  EXPECT_EQ(Region(state.wifi, 0x01100000, 280280), Carried(190));
  EXPECT_EQ(Region(state.wifi, 0x01020000, 916), Carried(191));
  // The final reset was sent; the writer went away to install what it got.
  EXPECT_EQ(engine.Requests().back(), kRequestReset);
  EXPECT_TRUE(engine.access.away());
  // Held for the run, lifted before the success box.
  EXPECT_THAT(engine.runGuard.calls, ElementsAre("Begin", "Relax", "End"));
  EXPECT_THAT(engine.runGuard.boxesBefore, ElementsAre(0, 0, 1));
}

TEST(FullUpdate, EveryStepThatMovesBytesGetsABarThatFills) {
  Engine engine;
  engine.Start();
  engine.PressGo();
  std::vector<uint64_t> totals;
  for (const RecordingProgress::Bar& bar : engine.progress.bars) {
    totals.push_back(bar.total);
    EXPECT_EQ(bar.advanced, bar.total);
    EXPECT_TRUE(bar.ended);
  }
  uint64_t sensorRange = totals.at(0);
  EXPECT_EQ(sensorRange % 512 == 0 ? sensorRange / 512 : sensorRange / 512 + 1, 70u);
  // Sensor board; WiFi application read, write, read; NVS read, write, read;
  // X-Loader read and send; boot code; application code.
  EXPECT_THAT(totals, ElementsAre(sensorRange, 280280u, 280280u, 280280u, 916u, 916u, 916u, 32256u,
                                  32256u, 475388u, 3580492u));
}

TEST(FullUpdate, ARetriedWifiPassStartsItsBarAgain) {
  FaultSet faults;
  faults.flash.push_back({.kind = FlashFaultKind::kWriteFails, .request = 3});
  Engine engine(DefaultWriterState(), faults);
  engine.Start();
  engine.PressGo();
  // Read, a write broken off after two blocks, read, write, read.
  ASSERT_GE(engine.progress.bars.size(), 6u);
  EXPECT_EQ(engine.progress.bars[2].total, 280280u);
  EXPECT_EQ(engine.progress.bars[2].advanced, 2u * 65536u);
  EXPECT_TRUE(engine.progress.bars[2].ended);
  EXPECT_EQ(engine.progress.bars[4].total, 280280u);
  EXPECT_EQ(engine.progress.bars[4].advanced, 280280u);
  EXPECT_TRUE(engine.progress.bars[4].ended);
}

TEST(FullUpdate, AWriterBelowBuild34494GetsBootAndApplicationCodeBeforeItRestarts) {
  WriterState state = DefaultWriterState();
  state.identity.applicationBuild = 34493;
  Engine engine(state);
  engine.Start();
  engine.PressGo();

  std::vector<uint16_t> requests = engine.Requests();
  auto position = [&](uint16_t code) {
    return std::find(requests.begin(), requests.end(), code) - requests.begin();
  };
  // Boot code, application code, then the restart, then the sensor board.
  EXPECT_LT(position(kSendBootCode), position(kSendApplicationCode));
  EXPECT_LT(position(kSendApplicationCode), position(kRequestReset));
  EXPECT_LT(position(kRequestReset), position(kSendCommand));
  // Both resets, the restart's and the final one, ask for mode 0.
  for (const TranscriptEntry& entry : engine.transcript.entries()) {
    if (entry.request && entry.code == kRequestReset) {
      EXPECT_EQ(entry.params[0], 0u);
    }
  }
  EXPECT_EQ(engine.Count(kRequestReset), 2u);
  // The second calls of the main sequence send nothing again.
  EXPECT_EQ(engine.Transfers(kSendBootCode), 1u);
  EXPECT_EQ(engine.Transfers(kSendApplicationCode), 1u);
  ASSERT_FALSE(engine.window.boxes.empty());
  EXPECT_EQ(engine.window.boxes.back().text,
            "Successfully updated the Solvane/Solvane II.\n           Click OK to Exit.");
}

TEST(FullUpdate, AWriterAtBuild34494GetsItsCodeOnlyInTheMainSequence) {
  WriterState state = DefaultWriterState();
  state.identity.applicationBuild = 34494;
  Engine engine(state);
  engine.Start();
  engine.PressGo();

  std::vector<uint16_t> requests = engine.Requests();
  auto position = [&](uint16_t code) {
    return std::find(requests.begin(), requests.end(), code) - requests.begin();
  };
  EXPECT_LT(position(kSendCommand), position(kSendBootCode));
  // No restart is pending, so only the final reset is sent.
  EXPECT_EQ(engine.Count(kRequestReset), 1u);
}

TEST(FullUpdate, AWriterInBootModeBelowBootBuild35673GetsItsCodeBeforeItRestarts) {
  struct Row {
    uint32_t bootBuild;
    bool early;
  };
  for (Row row : {Row{35672, true}, Row{35673, false}}) {
    SCOPED_TRACE(row.bootBuild);
    WriterState state = DefaultWriterState();
    state.identity.bootMode = true;
    state.identity.bootVersion = 0x01000000;
    state.identity.bootBuild = row.bootBuild;
    Engine engine(state);
    engine.Start();
    engine.PressGo();

    // The catalogue's boot-mode application version is 0.00.00.
    EXPECT_EQ(engine.LogLines().at(1),
              "USB found Solvane/Solvane II(19), Boot. Ver. 0.00.00, Build 0");
    std::vector<uint16_t> requests = engine.Requests();
    auto position = [&](uint16_t code) {
      return std::find(requests.begin(), requests.end(), code) - requests.begin();
    };
    EXPECT_EQ(position(kSendBootCode) < position(kSendCommand), row.early);
    EXPECT_EQ(engine.Count(kRequestReset), row.early ? 2u : 1u);
    EXPECT_EQ(engine.window.boxes.back().style, 0x40u);
  }
}

TEST(FullUpdate, ARefusedCodeTransferIsReportedByTheWritersErrorCode) {
  struct Row {
    uint16_t transfer;
    ReplyFaultKind kind;
    uint32_t code;
    const char* message;
  };
  const char* busy =
      "Unable to program your writer.\nPlease close any open files on your Solvane/Solvane II";
  const Row rows[] = {
      {kSendBootCode, ReplyFaultKind::kStatus, 2, "Unable to program your writer.  Error Code 2"},
      {kSendBootCode, ReplyFaultKind::kStatus, 3, busy},
      {kSendBootCode, ReplyFaultKind::kStatus, 4, "Unable to program your writer.  Error Code 4"},
      {kSendApplicationCode, ReplyFaultKind::kStatus, 3, busy},
      {kSendApplicationCode, ReplyFaultKind::kNoReply, 0,
       "Unable to program your writer.  Error Code 101"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    FaultSet faults;
    faults.replies.push_back(
        {.code = row.transfer, .chunk = 1, .times = 0, .kind = row.kind, .value = row.code});
    Engine engine(DefaultWriterState(), faults);
    engine.Start();
    engine.PressGo();
    ASSERT_EQ(engine.window.boxes.size(), 1u);
    EXPECT_EQ(engine.window.boxes[0].text, row.message);
    EXPECT_EQ(engine.window.boxes[0].caption, "Error");
    EXPECT_EQ(engine.window.boxes[0].style, 0x10u);
    std::string firstLine = std::string(row.message).substr(0, std::string(row.message).find('\n'));
    EXPECT_THAT(engine.LogLines(), ::testing::Contains(firstLine));
    EXPECT_EQ(engine.writer.display().history().back(), "Failure in updating machine.");
    EXPECT_FALSE(engine.window.ended.has_value());
  }
}

TEST(FullUpdate, TheBootCodeIsSentWhenTheMainBootVersionOrBuildIsBelowTheCarried) {
  struct Row {
    uint32_t bootVersion;
    uint32_t bootBuild;
    bool readFails;  // the procedure's own read of the boot versions
    bool sent;
  };
  // Against the carried 1.00.00 Build 35673.
  const Row rows[] = {
      {0x01000000, 35673, false, false},
      {0x01000001, 35673, false, false},  // 1.00.00 Beta 1 is not below 1.00.00
      {0x01010000, 35672, false, true},
      {0x00FF0000, 35674, false, true},
      {0x01000000, 35673, true, true},  // unread versions count as 0
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.bootBuild << (row.readFails ? " unread" : ""));
    WriterState state = DefaultWriterState();
    state.identity.bootVersion = row.bootVersion;
    state.identity.bootBuild = row.bootBuild;
    FaultSet faults;
    if (row.readFails) {
      faults.replies.push_back(
          {.code = kReadBootVersions, .request = 2, .kind = ReplyFaultKind::kNoReply});
    }
    Engine engine(state, faults);
    engine.Start();
    engine.PressGo();
    EXPECT_EQ(engine.Transfers(kSendBootCode), row.sent ? 1u : 0u);
    std::vector<std::string> log = engine.LogLines();
    EXPECT_EQ(std::count(log.begin(), log.end(),
                         "Sending boot code version 1.00.00 Build 35673 to Solvane/Solvane II..."),
              row.sent ? 1 : 0);
    EXPECT_EQ(engine.window.boxes.back().style, 0x40u);
  }
}

TEST(FullUpdate, ACurrentWriterGetsOnlyItsApplicationCodeAgain) {
  Engine first;
  first.Start();
  first.PressGo();
  first.writer.CompleteRestart();

  Engine second(first.writer.State());
  second.Start();
  second.PressGo();
  EXPECT_EQ(second.Transfers(kSendApplicationCode), 1u);
  EXPECT_EQ(second.Transfers(kSendBootCode), 0u);
  EXPECT_EQ(second.Transfers(kSendXLoader), 0u);
  EXPECT_EQ(second.Count(kEraseFlash), 0u);
  EXPECT_EQ(second.Count(kSendCommand), 0u);
  EXPECT_EQ(second.window.boxes.back().style, 0x40u);
}

}  // namespace
}  // namespace solvane::engine_test
