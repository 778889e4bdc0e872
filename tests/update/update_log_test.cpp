// The update log: where it goes, what each line looks like, and what a run
// does when the log cannot be had or written.
#include <gtest/gtest.h>

#include <string>

#include "tests/update/engine_harness.h"

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
