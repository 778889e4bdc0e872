// The terminal front end through its input and output, with the main dialog on
// the in-process simulated writer.
#include <gtest/gtest.h>

#include <sstream>

#include "app/about_dlg.h"
#include "terminal_harness.h"

namespace solvane::terminal_test {
namespace {

constexpr const char* kIdlePrompt = "[G]o!  [Q]uit  (Enter: Go!) > ";
constexpr const char* kNoConnection =
    "--- Error ---\nUnable to open a connection with your steno machine.\nPlease make sure the "
    "writer is turned On and the USB cable is firmly connected\n(Enter: OK) > ";

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

TEST(TerminalWindow, ShowsCaptionIntroAndButtonsAndQuitsByQ) {
  TerminalRun run;
  EXPECT_EQ(run.Run("q\n"), 2);
  EXPECT_EQ(run.output(),
            "\n=== Solvane Update - Build:  35675 ===\n"
            "Connect Steno Machine via the USB cable\nand click \"Go!\" to update your machine "
            "software.\n\nSolvane/Solvane II - Build: 35675\nSolvane Captioner/Student - Build: "
            "35675\n" +
                std::string(kIdlePrompt) + "q\n");
  EXPECT_EQ(run.log.contents, "");
}

TEST(TerminalWindow, IdleDialogTakesGoQuitAndAsksAgainOtherwise) {
  {
    TerminalRun run;
    run.Unplug();
    EXPECT_EQ(run.Run("x\nG\n\nq\n"), 2);
    // "x" asks again; "G" presses Go!; the empty line closes the box.
    EXPECT_EQ(Count(run.output(), kIdlePrompt), 3u);
    EXPECT_EQ(Count(run.output(), kNoConnection), 1u);
  }
  {
    TerminalRun run;
    run.Unplug();
    EXPECT_EQ(run.Run("\nok\nquit\n"), 2);
    // An empty line presses the default button, Go!.
    EXPECT_EQ(Count(run.output(), kNoConnection), 1u);
  }
}

TEST(TerminalWindow, EndOfInputClosesAnErrorBoxAndQuits) {
  TerminalRun run;
  run.Unplug();
  EXPECT_EQ(run.Run("g\n"), 2);
  EXPECT_NE(run.output().find(kNoConnection), std::string::npos);
  EXPECT_EQ(Count(run.output(), kIdlePrompt), 2u);
  // The run put the intro text back, but it never left the status area.
  EXPECT_EQ(Count(run.output(), "Connect Steno Machine"), 1u);
  EXPECT_NE(run.log.contents.find(" - Exiting\n"), std::string::npos);
}

TEST(TerminalWindow, EndOfInputAtTheIdleDialogQuits) {
  TerminalRun run;
  EXPECT_EQ(run.Run(""), 2);
  EXPECT_EQ(Count(run.output(), kIdlePrompt), 1u);
  EXPECT_EQ(run.writer.State().identity.applicationBuild, 34000u);
}

// A writer that runs a newer build than the program carries gets the
// downgrade question in the "Warning" box.
WriterState NewerWriter() {
  WriterState state = OldType19Writer();
  state.identity.applicationBuild = 40000;
  return state;
}

constexpr const char* kDowngradeBox =
    "--- Warning ---\nYou are about to install version 2.00.00, Build 35675\non a Machine that is "
    "running version 1.63.00, Build 40000.\n              Are you sure you want to do this?\n"
    "[Y]es  [N]o  (Enter: Yes) > ";

TEST(TerminalWindow, YesNoBoxTakesYesNoAndItsDefault) {
  struct Case {
    const char* input;
    bool installed;
    size_t questions;
  };
  for (const Case& c : {Case{"g\nn\nq\n", false, 1}, Case{"g\ny\n\n", true, 1},
                        Case{"g\n\n\n", true, 1}, Case{"g\nmaybe\nN\nq\n", false, 2}}) {
    SCOPED_TRACE(c.input);
    TerminalRun run(NewerWriter());
    run.Run(c.input);
    EXPECT_EQ(Count(run.output(), kDowngradeBox), 1u);
    EXPECT_EQ(Count(run.output(), "[Y]es  [N]o  (Enter: Yes) > "), c.questions);
    EXPECT_EQ(
        run.output().find("Sending Build 35675 to Solvane/Solvane II...") != std::string::npos,
        c.installed);
    EXPECT_EQ(
        run.output().find("Successfully updated the Solvane/Solvane II.") != std::string::npos,
        c.installed);
  }
}

TEST(TerminalWindow, EndOfInputAnswersNoAtAYesNoBox) {
  TerminalRun run(NewerWriter());
  EXPECT_EQ(run.Run("g\n"), 2);
  EXPECT_NE(run.output().find(kDowngradeBox), std::string::npos);
  EXPECT_EQ(run.output().find("Sending Build"), std::string::npos);
  EXPECT_EQ(run.writer.State().identity.applicationBuild, 40000u);
}

// The clock question is an application box, captioned with the application name.
TEST(TerminalWindow, ClockQuestionIsAnsweredFromTheInput) {
  constexpr const char* kClockBox =
      "--- Solvane Update ---\nYour Steno Machine's date/time doesn't match the PC "
      "date/time.\nDo you want it to match the PC date/time?\n[Y]es  [N]o  (Enter: Yes) > ";
  for (const char* input : {"g\nn\n\n", "g\ny\n\n", "g"}) {
    SCOPED_TRACE(input);
    WriterState state = OldType19Writer();
    state.clockOffsetSeconds = 3600;
    TerminalRun run(std::move(state));
    run.Run(input);
    EXPECT_NE(run.output().find(kClockBox), std::string::npos);
    bool set = std::string(input) == "g\ny\n\n";
    EXPECT_EQ(run.writer.State().clockOffsetSeconds == 3600, !set);
  }
}

// The whole update of an all-old writer, in realistic timing on the virtual
// clock; the end of the input closes the success box and the program ends.
TEST(TerminalWindow, WholeUpdateShowsEveryStepAndEndsAfterTheSuccessBox) {
  TerminalRun run(OldType19Writer(), SimTiming::Realistic(), true);
  EXPECT_EQ(run.Run("g\n"), 2);
  const std::string output = run.output();
  size_t at = 0;
  for (const char* step : {
           "Sending boot code version 1.00.00 Build 35673 to Solvane/Solvane II...\n",
           "Sending Build 35675 to Solvane/Solvane II...\n",
           "] 100%",
           "Sending Sensor Board Code to Solvane/Solvane II...\n",
           "Checking WiFi App. from Solvane/Solvane II...\n",
           "Sending WiFi App. to Solvane/Solvane II...\n",
           "Checking WiFi NVS. from Solvane/Solvane II...\n",
           "Sending WiFi NVS. to Solvane/Solvane II...\n",
           "Checking XLoader...\n",
           "Sending XLoader Solvane/Solvane II...\n",
           "Solvane/Solvane II Updated.\n",
           "\n--- Solvane Update ---\nSuccessfully updated the Solvane/Solvane II.\n           "
           "Click OK to Exit.\n(Enter: OK) > \n",
           "Connect Steno Machine via the USB cable\n",
       }) {
    size_t found = output.find(step, at);
    ASSERT_NE(found, std::string::npos) << step;
    at = found;
  }
  // The success box ended the dialog: no idle prompt after it.
  EXPECT_EQ(output.find(kIdlePrompt, at), std::string::npos);

  WriterState state = run.writer.State();
  EXPECT_EQ(state.identity.applicationBuild, 35675u);
  EXPECT_EQ(state.identity.bootBuild, 35673u);
  EXPECT_EQ(SensorCodeBlock::BuildOf(state.sensorFlash), 14760u);
  EXPECT_NE(run.log.contents.find(" - Successfully updated the Solvane/Solvane II.\n"),
            std::string::npos);
}

TEST(TerminalWindow, BoxesReadOneLineEachAndDefaultToTheirButton) {
  std::ostringstream out;
  TerminalScreen screen(out);
  std::istringstream in("anything\n\n\n \nnext\n");
  TerminalDialogWindow window(in, screen, false);
  EXPECT_EQ(window.MessageBox("Stop.", "Error", 0x10), 1);
  EXPECT_EQ(window.MessageBox("Sure?", "Warning", 0x24), 6);
  EXPECT_EQ(window.MessageBox("Sure?", "Warning", 0x124), 7);
  EXPECT_EQ(window.MessageBox("Done.", "Solvane Update", 0x40), 1);
  EXPECT_EQ(out.str(),
            "\n--- Error ---\nStop.\n(Enter: OK) > "
            "\n--- Warning ---\nSure?\n[Y]es  [N]o  (Enter: Yes) > "
            "\n--- Warning ---\nSure?\n[Y]es  [N]o  (Enter: No) > "
            "\n--- Solvane Update ---\nDone.\n(Enter: OK) > ");
  std::string rest;
  std::getline(in, rest);
  EXPECT_EQ(rest, "next");
  // Nothing left to read: no, and OK.
  EXPECT_EQ(window.MessageBox("Sure?", "Warning", 0x24), 7);
  EXPECT_EQ(window.MessageBox("Stop.", "Error", 0x10), 1);
}

TEST(TerminalWindow, RunsTheAboutBoxModallyWithoutASystemMenu) {
  std::ostringstream out;
  TerminalScreen screen(out);
  std::istringstream in("\n");
  TerminalDialogWindow window(in, screen, false);
  EXPECT_FALSE(window.AppendSystemMenu(16, "&About Solvane Update..."));
  CAboutDlg about;
  about.SetVersionText("Solvane Update Build:  35675");
  EXPECT_EQ(window.RunModal(about), 1);
  EXPECT_EQ(out.str(),
            "\n=== About KiteUpdate ===\nSolvane Update Build:  35675\nOK  (Enter: OK) > ");
  // At the end of the input it is cancelled.
  EXPECT_EQ(window.RunModal(about), 2);
}

}  // namespace
}  // namespace solvane::terminal_test
