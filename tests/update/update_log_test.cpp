// The update log: where it goes, what each line looks like, and what a run
// does when the log cannot be had or written.
#include <gtest/gtest.h>

#include <string>

#include "device/request_codes.h"
#include "tests/support/engine_harness.h"

namespace solvane::engine_test {
namespace {

TEST(UpdateLog, LinesOutsideAnOpenLogWriteNothing) {
  Engine engine;
  engine.Start();
  engine.dialog.LogLine("before");
  engine.dialog.CloseLog();
  EXPECT_FALSE(engine.dialog.logOpen());
  EXPECT_TRUE(engine.log.contents.empty());
  EXPECT_TRUE(engine.log.openedPaths.empty());
}

TEST(UpdateLog, LinesAreDatedInTheCLocaleAndTextsGoInUnchanged) {
  Engine engine;
  engine.pcClock.startUtc = 1'772'694'489;  // 2026-03-05 07:08:09 UTC
  engine.pcClock.utcOffsetMinutes = 60;
  engine.Start();
  engine.dialog.OpenLog();
  engine.dialog.LogLine("ends in a line feed\n");
  engine.dialog.LogLine("two\nlines");
  std::string longText(600, 'x');
  engine.dialog.LogLine(longText);
  engine.dialog.CloseLog();

  EXPECT_EQ(engine.log.contents,
            "March 05, 2026  08:08:09 - Solvane Update: Build: 35675\n"
            "March 05, 2026  08:08:09 - ends in a line feed\n\n"
            "March 05, 2026  08:08:09 - two\nlines\n"
            "March 05, 2026  08:08:09 - " +
                longText +
                "\n"
                "March 05, 2026  08:08:09 - Exiting\n");
  EXPECT_EQ(engine.log.openedPaths.at(0), "/home/reporter/Documents/RORivevi.log");
  EXPECT_FALSE(engine.dialog.logOpen());
}

TEST(UpdateLog, ARunAppendsAfterTheLastByteOfAnOldLog) {
  Engine engine;
  engine.log.contents = "an earlier run without a last line feed";
  engine.devices.plugged = false;
  engine.Start();
  engine.PressGo();
  EXPECT_EQ(engine.log.contents.rfind("an earlier run without a last line feedJanuary 01, 2026", 0),
            0u);
}

TEST(UpdateLog, APathOf260CharactersIsNotOpened) {
  for (size_t pathLength : {259u, 260u}) {
    Engine engine;
    // folder + "/RORivevi.log" (13 characters)
    engine.log.folder = std::string(pathLength - 13, 'd');
    engine.Start();
    engine.dialog.OpenLog();
    EXPECT_EQ(engine.dialog.logOpen(), pathLength == 259) << pathLength;
    engine.dialog.CloseLog();
  }
}

TEST(UpdateLog, AnUpdateGoesOnWithoutALog) {
  Engine held;
  held.log.heldElsewhere = true;
  Engine noFolder;
  noFolder.log.folder.reset();
  for (Engine* engine : {&held, &noFolder}) {
    engine->Start();
    engine->PressGo();
    EXPECT_TRUE(engine->log.contents.empty());
    ASSERT_FALSE(engine->window.boxes.empty());
    EXPECT_EQ(engine->window.boxes.back().text,
              "Successfully updated the Solvane/Solvane II.\n           Click OK to Exit.");
  }
}

TEST(UpdateLog, ALogThatStopsTakingWritesIsClosedAndTheUpdateGoesOn) {
  Engine engine;
  engine.log.failWritesAfter = 3;
  engine.Start();
  engine.PressGo();

  EXPECT_FALSE(engine.dialog.logOpen());
  EXPECT_FALSE(engine.log.open);
  EXPECT_EQ(engine.log.writes, 3);
  ASSERT_FALSE(engine.window.boxes.empty());
  EXPECT_EQ(engine.window.boxes.back().text,
            "Successfully updated the Solvane/Solvane II.\n           Click OK to Exit.");
  EXPECT_TRUE(engine.writer.State().pendingApplication.has_value());
}

TEST(UpdateLog, TheFoundLinesFollowTheVersionsTheWriterReports) {
  struct Row {
    const char* name;
    WriterIdentity identity;
    bool bootVersionsUnanswered;
    std::vector<std::string> found;
  };
  const std::string app = "USB found Solvane/Solvane II(19), App. Ver. 1.63.00, Build 35000";
  const std::string mainBoot =
      "USB found Solvane/Solvane II(19), Main Boot Ver. 1.00.00, Build 35600";
  const std::string secondary =
      "USB found Solvane/Solvane II(19), Secondary Boot Ver. 1.00.00, Build 35600";
  WriterIdentity beta1;
  beta1.applicationVersion = 0x01630001;
  WriterIdentity noMainBoot;  // a build without a version word is not shown
  noMainBoot.bootVersion = 0;
  noMainBoot.secondaryBootVersion = 0x01000002;
  WriterIdentity noSecondary;
  noSecondary.secondaryBootVersion = 0;
  const Row rows[] = {
      {"beta 1",
       beta1,
       false,
       {"USB found Solvane/Solvane II(19), App. Ver. 1.63.00 Beta 1, Build 35000", mainBoot,
        secondary}},
      {"no main boot",
       noMainBoot,
       false,
       {app, "USB found Solvane/Solvane II(19), Secondary Boot Ver. 1.00.00 Beta 2, Build 35600"}},
      {"no secondary boot", noSecondary, false, {app, mainBoot}},
      {"boot versions unanswered", WriterIdentity{}, true, {app}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WriterState state = DefaultWriterState();
    state.identity = row.identity;
    FaultSet faults;
    if (row.bootVersionsUnanswered) {
      faults.replies.push_back(
          {.code = kReadBootVersions, .request = 1, .kind = ReplyFaultKind::kNoReply});
    }
    Engine engine(state, faults);
    engine.Start();
    engine.PressGo();
    std::vector<std::string> found;
    for (const std::string& line : engine.LogLines()) {
      if (line.rfind("USB found", 0) == 0) {
        found.push_back(line);
      }
    }
    EXPECT_EQ(found, row.found);
  }
}

TEST(UpdateLog, TheStatusTextIsReplacedNeverAppended) {
  Engine engine;
  engine.Start();
  engine.dialog.SetStatusText("first");
  engine.dialog.SetStatusText("");
  EXPECT_EQ(engine.window.items[1002], "");
  EXPECT_TRUE(engine.log.contents.empty());
}

}  // namespace
}  // namespace solvane::engine_test
