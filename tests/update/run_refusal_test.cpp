// The ways a run stops before it programs anything, and what each leaves.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "device/request_codes.h"
#include "tests/support/engine_harness.h"

namespace solvane::engine_test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const char* const kIntro =
    "Connect Steno Machine via the USB cable\nand click \"Go!\" to update your machine "
    "software.\n\nSolvane/Solvane II - Build: 35675\nSolvane Captioner/Student - Build: 35675\n";

TEST(RunRefusal, NoWriterShowsTheOpenFailureAndSendsNothing) {
  Engine engine;
  engine.devices.plugged = false;
  engine.Start();
  engine.PressGo();

  const char* message =
      "Unable to open a connection with your steno machine.\nPlease make sure the writer is "
      "turned On and the USB cable is firmly connected";
  ASSERT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_EQ(engine.window.boxes[0].text, message);
  EXPECT_EQ(engine.window.boxes[0].caption, "Error");
  EXPECT_EQ(engine.window.boxes[0].style, 0x10u);
  EXPECT_THAT(engine.LogLines(),
              ElementsAre("Solvane Update: Build: 35675",
                          "Unable to open a connection with your steno machine.",
                          "Please make sure the writer is turned On and the USB cable is firmly "
                          "connected",
                          "Exiting"));
  EXPECT_TRUE(engine.Requests().empty());
  EXPECT_THAT(engine.window.statusTexts, ElementsAre(kIntro));
  EXPECT_FALSE(engine.window.ended.has_value());
  EXPECT_FALSE(engine.dialog.logOpen());
  EXPECT_THAT(engine.runGuard.calls, ElementsAre("Begin", "End"));
}

TEST(RunRefusal, AWriterOfType5IsNamedAndRefused) {
  WriterState state = DefaultWriterState();
  state.identity.machineType = 5;
  state.identity.applicationVersion = 0x01630200;
  Engine engine(state);
  engine.Start();
  engine.PressGo();

  EXPECT_THAT(
      engine.LogLines(),
      ElementsAre("Solvane Update: Build: 35675", "USB found Quillon Braid(5), App. Ver. 16302.00 ",
                  "Improper Machine Type.  This update is not for Quillon Braid!", "Exiting"));
  ASSERT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_EQ(engine.window.boxes[0].text,
            "Improper Machine Type.  This update is not for Quillon Braid!");
  // Nothing but the identification and the cleanup's clearing of the display.
  EXPECT_THAT(engine.Requests(), ElementsAre(kIdentify, kShowMessage));
  EXPECT_THAT(engine.runGuard.calls, ElementsAre("Begin", "End"));
}

TEST(RunRefusal, OnlyMachineTypes18To20AreUpdated) {
  struct Row {
    uint32_t type;
    const char* foundLine;
    const char* refusal;  // nullptr: accepted
  };
  const Row rows[] = {
      {17, "USB found Crest(17), App. Ver. 16300.00 ",
       "Improper Machine Type.  This update is not for Crest!"},
      {18, "USB found Marlowe Diag(18), App. Ver. 1.63.00, Build 35000", nullptr},
      {20, "USB found Solvane Captioner/Student(20), App. Ver. 1.63.00, Build 35000", nullptr},
      {21, "USB found Sensor Board (reserved)(21), App. Ver. 16300.00 ",
       "Improper Machine Type.  This update is not for Sensor Board (reserved)!"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.type);
    WriterState state = DefaultWriterState();
    state.identity.machineType = row.type;
    Engine engine(state);
    engine.window.answers = {kIdNo};  // type 18's package is older than any writer
    engine.Start();
    engine.PressGo();
    EXPECT_EQ(engine.LogLines().at(1), row.foundLine);
    ASSERT_FALSE(engine.window.boxes.empty());
    if (row.refusal != nullptr) {
      EXPECT_EQ(engine.window.boxes[0].text, row.refusal);
      EXPECT_THAT(engine.Requests(), ElementsAre(kIdentify, kShowMessage));
    } else {
      EXPECT_EQ(engine.window.boxes[0].text.rfind("Improper", 0), std::string::npos);
      EXPECT_GE(engine.Count(kOpenFile) + engine.Count(kReadBootVersions), 1u);
    }
  }
}

TEST(RunRefusal, AType5WriterInBootModeGetsTheBootLine) {
  WriterState state = DefaultWriterState();
  state.identity.machineType = 5;
  state.identity.bootMode = true;
  state.identity.bootVersion = 0x01000003;
  Engine engine(state);
  engine.Start();
  engine.PressGo();
  EXPECT_EQ(engine.LogLines().at(1), "USB found Quillon Braid(5), Boot Ver. 10000.03 ");
}

TEST(RunRefusal, ADeclinedDowngradeEndsQuietlyWithoutAReset) {
  // No, or the box closed another way (IDCANCEL 2): only yes goes on.
  for (int answer : {kIdNo, 2}) {
    SCOPED_TRACE(answer);
    WriterState state = DefaultWriterState();
    state.identity.applicationVersion = 0x02000000;
    state.identity.applicationBuild = 35676;
    Engine engine(state);
    engine.window.answers = {answer};
    engine.Start();
    engine.PressGo();

    const char* question =
        "You are about to install version 2.00.00, Build 35675\non a Machine that is running "
        "version 2.00.00, Build 35676.\n              Are you sure you want to do this?";
    ASSERT_EQ(engine.window.boxes.size(), 1u);
    EXPECT_EQ(engine.window.boxes[0].text, question);
    EXPECT_EQ(engine.window.boxes[0].caption, "Warning");
    EXPECT_EQ(engine.window.boxes[0].style, 36u);
    EXPECT_EQ(engine.LogLines().at(7), "You are about to install version 2.00.00, Build 35675");
    EXPECT_EQ(engine.LogLines().back(), "Exiting");
    EXPECT_EQ(engine.Count(kRequestReset), 0u);
    EXPECT_EQ(engine.Count(kOpenFile), 0u);
    EXPECT_THAT(engine.runGuard.calls, ElementsAre("Begin", "End"));
  }
}

TEST(RunRefusal, ABetaOfTheCarriedVersionIsNoDowngrade) {
  WriterState state = DefaultWriterState();
  state.identity.applicationVersion = 0x02000005;
  state.identity.applicationBuild = 35675;
  Engine engine(state);
  engine.window.answers = {kIdNo};
  engine.Start();
  engine.PressGo();
  EXPECT_EQ(engine.window.boxes.front().caption, "Solvane Update");
  EXPECT_EQ(engine.LogLines().at(1),
            "USB found Solvane/Solvane II(19), App. Ver. 2.00.00 Beta 5, Build 35675");
}

TEST(RunRefusal, ADamagedImageStopsTheRunBeforeAnythingChangesOnTheWriter) {
  // Every image the run may send, each damaged in turn; the writer is old in
  // all of its parts, its clock off, so each would be sent.
  for (uint32_t id : {169u, 170u, 189u, 174u, 190u, 191u}) {
    SCOPED_TRACE(id);
    Engine engine;
    engine.resources.Damage(id);
    engine.Start();
    engine.PressGo();

    const std::string message = "Unable to load the firmware image " + std::to_string(id) + ".";
    ASSERT_EQ(engine.window.boxes.size(), 1u);
    EXPECT_EQ(engine.window.boxes[0].text, message);
    EXPECT_EQ(engine.window.boxes[0].caption, "Error");
    EXPECT_EQ(engine.window.boxes[0].style, 0x10u);
    const std::vector<std::string> log = engine.LogLines();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], message);
    // The identification, the boot versions it reads, and the cleanup's
    // clearing of the display: no clock, no file, no image, no reset.
    EXPECT_THAT(engine.Requests(), ElementsAre(kIdentify, kReadBootVersions, kShowMessage));
    EXPECT_THAT(engine.writer.display().history(), IsEmpty());
  }
}

TEST(RunRefusal, AnOpenRealtimeFileIsClosedAndStopsTheRun) {
  WriterState state = DefaultWriterState();
  state.files.insert("REALTIME.000");
  Engine engine(state);
  engine.Start();
  engine.PressGo();

  ASSERT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_EQ(engine.window.boxes[0].text,
            "Unable to program your writer.\nPlease close any open files on your Solvane/Solvane "
            "II");
  std::vector<uint16_t> requests = engine.Requests();
  ASSERT_GE(requests.size(), 2u);
  EXPECT_EQ(requests[requests.size() - 2], kCloseFile);
  EXPECT_EQ(engine.Count(kExchangeClock), 0u);
  EXPECT_THAT(engine.runGuard.calls, ElementsAre("Begin", "End"));
}

TEST(RunRefusal, AStatusReplyToTheRealtimeOpenLetsTheRunGoOn) {
  Engine engine;  // no realtime file: the writer answers with status 2
  engine.Start();
  engine.PressGo();
  EXPECT_EQ(engine.Count(kCloseFile), 0u);
  EXPECT_GE(engine.Count(kExchangeClock), 1u);
}

TEST(RunRefusal, AFailedIdentificationIsReportedWithItsCode) {
  FaultSet faults;
  faults.replies.push_back({.code = kIdentify, .request = 1, .kind = ReplyFaultKind::kNoReply});
  Engine engine(DefaultWriterState(), faults);
  engine.Start();
  engine.PressGo();
  ASSERT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_EQ(engine.window.boxes[0].text,
            "Unable to communicate with your steno machine.  Error Code 111");
  EXPECT_THAT(
      engine.LogLines(),
      ElementsAre("Solvane Update: Build: 35675",
                  "Unable to communicate with your steno machine.  Error Code 111", "Exiting"));
}

TEST(RunRefusal, AnotherCopysRunStopsThisOneBeforeItsLinkIsOpened) {
  Engine engine;
  engine.runGuard.heldElsewhere = true;
  engine.Start();
  engine.PressGo();

  ASSERT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_EQ(engine.window.boxes[0].text,
            "Another Solvane Update is updating a writer.\nPlease wait until it has finished.");
  EXPECT_EQ(engine.window.boxes[0].caption, "Error");
  EXPECT_EQ(engine.window.boxes[0].style, 0x10u);
  EXPECT_THAT(engine.LogLines(), ElementsAre("Solvane Update: Build: 35675",
                                             "Another Solvane Update is updating a writer.",
                                             "Please wait until it has finished.", "Exiting"));
  EXPECT_EQ(engine.devices.enumerations, 0);
  EXPECT_TRUE(engine.Requests().empty());
  EXPECT_THAT(engine.window.statusTexts, ElementsAre(kIntro));
  EXPECT_THAT(engine.runGuard.calls, ElementsAre("Begin"));
}

TEST(RunRefusal, TheLinkIsClosedBetweenWaitsOf100MsOnEveryWayOut) {
  WriterState realtimeOpen = DefaultWriterState();
  realtimeOpen.files.insert("REALTIME.000");
  for (const WriterState& state : {DefaultWriterState(), realtimeOpen}) {
    Engine engine(state);
    engine.Start();
    engine.PressGo();
    ASSERT_FALSE(engine.window.boxes.empty());
    // After the last box: 100 ms, the close's 2000 ms, 100 ms.
    EXPECT_EQ(engine.clock.NowMs() - engine.window.boxes.back().atMs, 2200u)
        << engine.window.boxes.back().text;
  }
}

TEST(RunRefusal, TheSameDialogRunsAgainWithANewLogBlock) {
  Engine engine;
  engine.devices.plugged = false;
  engine.Start();
  engine.PressGo();
  engine.devices.plugged = true;
  engine.PressGo();
  std::vector<std::string> lines = engine.LogLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Solvane Update: Build: 35675"), 2);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Exiting"), 2);
  EXPECT_EQ(engine.window.boxes.back().text,
            "Successfully updated the Solvane/Solvane II.\n           Click OK to Exit.");
}

TEST(RunRefusal, TheLinkKeepsItsSequenceAndIdentityFromRunToRun) {
  WriterState state = DefaultWriterState();
  state.files.insert("REALTIME.000");  // every run stops after the writer is identified
  state.identity.machineType = 20;
  state.identity.applicationVersion = 0x01620003;
  state.identity.applicationBuild = 34999;
  Engine engine(state);
  engine.Start();
  engine.PressGo();
  const uint32_t sequence = engine.dialog.usb().sequenceCount();
  const size_t firstRunEntries = engine.transcript.entries().size();
  ASSERT_GT(sequence, 0u);

  engine.devices.plugged = false;  // a run that never reaches the writer changes nothing
  engine.PressGo();
  CKiteUsb& usb = engine.dialog.usb();
  EXPECT_EQ(usb.sequenceCount(), sequence);
  EXPECT_EQ(usb.machineType(), 20u);
  EXPECT_EQ(usb.versionWord(), 0x01620003u);
  EXPECT_EQ(usb.bootMode(), 0u);
  EXPECT_EQ(usb.build(), 34999u);
  EXPECT_EQ(usb.maximumChunk(), 65536u);

  engine.devices.plugged = true;
  engine.PressGo();
  ASSERT_GT(engine.transcript.entries().size(), firstRunEntries);
  EXPECT_EQ(engine.transcript.entries()[firstRunEntries].sequence, sequence);
}

}  // namespace
}  // namespace solvane::engine_test
