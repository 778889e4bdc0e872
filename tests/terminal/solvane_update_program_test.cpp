// The solvane-update program itself: its options, a run against a
// solvane-writer-sim and two programs that want the same update log.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "device/device_access.h"
#include "device/posix/socket_device_access.h"
#include "tests/support/posix/child_process.h"

namespace solvane::terminal_test {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// A documents folder and a device folder of the test's own, short enough for a
// socket path.
class ProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/solvane-term-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    documents_ = folder_ / "Documents";
    fs::create_directories(documents_);
    fs::create_directories(folder_ / "devices");
    setenv("XDG_DOCUMENTS_DIR", documents_.c_str(), 1);
    setenv("SOLVANE_DEVICE_DIR", (folder_ / "devices").c_str(), 1);
  }
  void TearDown() override { fs::remove_all(folder_); }

  fs::path log() const { return documents_ / "RORivevi.log"; }

  fs::path folder_;
  fs::path documents_;
};

TEST_F(ProgramTest, TakesOnlyHelpVersionAndRecord) {
  ChildProcess help({SOLVANE_UPDATE_PROGRAM, "--help"});
  EXPECT_EQ(help.Finish(), 0);
  EXPECT_EQ(help.output.rfind("Usage: solvane-update [--help | --version | --record FILE]\n", 0),
            0u);

  ChildProcess unwritable({SOLVANE_UPDATE_PROGRAM, "--record", "/no/such/folder/run.jsonl"});
  EXPECT_EQ(unwritable.Finish(), 2);
  EXPECT_NE(unwritable.error.find("cannot create '/no/such/folder/run.jsonl'"), std::string::npos);

  ChildProcess version({SOLVANE_UPDATE_PROGRAM, "--version"});
  EXPECT_EQ(version.Finish(), 0);
  EXPECT_EQ(version.output, "Solvane Update Build:  35675\n");

  ChildProcess unknown({SOLVANE_UPDATE_PROGRAM, "--go"});
  EXPECT_EQ(unknown.Finish(), 2);
  EXPECT_EQ(unknown.output, "");
  EXPECT_NE(unknown.error.find("unknown option '--go'"), std::string::npos);

  ChildProcess two({SOLVANE_UPDATE_PROGRAM, "--help", "--version"});
  EXPECT_EQ(two.Finish(), 2);
  EXPECT_EQ(two.output, "");
}

// A writer that is current but for its application and WiFi images, in instant
// timing: the run takes only the program's own waits. Its output goes to the
// test, or into a pipe whose reader leaves after 300 bytes.
TEST_F(ProgramTest, UpdatesASimulatedWriterFromItsInput) {
  for (bool intoHead : {false, true}) {
    SCOPED_TRACE(intoHead ? "| head -c 300" : "to the test");
    fs::remove_all(folder_ / "writer");
    fs::remove(log());
    ChildProcess writer({SOLVANE_WRITER_SIM_PROGRAM, "--state", (folder_ / "writer").string(),
                         "--type", "19", "--app-build", "35000", "--boot-build", "35673",
                         "--sensor-build", "14760", "--xloader-version", "6.00"});
    ASSERT_TRUE(writer.ReadErrorUntil("serving on"));
    // It listens right after saying so.
    SocketDeviceAccess access;
    std::string path = std::getenv("SOLVANE_DEVICE_DIR") + std::string("/") +
                       kWriterInterfaceClassText + "/writer0";
    std::unique_ptr<DeviceHandle> probe;
    for (int attempt = 0; attempt < 1000000 && access.Open(path, probe) != 0; ++attempt) {
      std::this_thread::yield();
    }
    ASSERT_TRUE(probe);
    probe.reset();

    std::vector<std::string> command = {SOLVANE_UPDATE_PROGRAM};
    if (intoHead) {
      command = {"/bin/sh", "-c", "\"$0\" | head -c 300", SOLVANE_UPDATE_PROGRAM};
    }
    ChildProcess update(command);
    update.Send("g\n\n");
    EXPECT_EQ(update.Finish(), 0);
    writer.Terminate();

    std::string text = ReadFile(log());
    EXPECT_NE(text.find(" - Successfully updated the Solvane/Solvane II.\n"), std::string::npos)
        << text;
    EXPECT_EQ(text.substr(text.size() - 11), " - Exiting\n");
    ChildProcess state(
        {SOLVANE_WRITER_SIM_PROGRAM, "--state", (folder_ / "writer").string(), "--print-state"});
    EXPECT_EQ(state.Finish(), 0);
    EXPECT_NE(state.output.find("\"application\": {\n    \"build\": 35675,\n    \"pending\": null"),
              std::string::npos)
        << state.output;
    EXPECT_NE(state.output.find("\"boot\": {\n    \"build\": 35673,\n    \"pending\": null"),
              std::string::npos);
    if (intoHead) {
      EXPECT_EQ(update.output.size(), 300u);
      continue;
    }
    EXPECT_NE(update.output.find("[G]o!  [Q]uit  (Enter: Go!) > g\n"), std::string::npos);
    EXPECT_NE(update.output.find("Sending Build 35675 to Solvane/Solvane II...\n"),
              std::string::npos);
    EXPECT_NE(update.output.find("\n--- Solvane Update ---\nSuccessfully updated the "
                                 "Solvane/Solvane II.\n           Click OK to Exit.\n(Enter: OK) "
                                 "> \n"),
              std::string::npos);
    // No bar on output that is not a terminal.
    EXPECT_EQ(update.output.find('%'), std::string::npos);
    std::regex header(
        "^[A-Z][a-z]+ [0-3][0-9], [0-9]{4}  [0-2][0-9]:[0-5][0-9]:[0-5][0-9] - Solvane Update: "
        "Build: 35675\n");
    EXPECT_TRUE(std::regex_search(text, header)) << text;
  }
}

// A scenario file as sim/README.md's workflow writes one: the writer refuses
// the first chunk of its application code with a flash failure (0x23), and
// the run ends in the error a user would report.
TEST_F(ProgramTest, AScenarioFileOfTheSimulatorFailsTheUpdateAsItWouldForAUser) {
  std::ofstream(folder_ / "scenario.json") << R"({"description": "application flash fails",
    "faults": [{"code": 2, "chunk": 1, "action": "status", "status": 35, "times": 0}]})";
  ChildProcess writer({SOLVANE_WRITER_SIM_PROGRAM, "--state", (folder_ / "writer").string(),
                       "--type", "19", "--app-build", "35000", "--boot-build", "35673",
                       "--sensor-build", "14760", "--xloader-version", "6.00", "--scenario",
                       (folder_ / "scenario.json").string()});
  ASSERT_TRUE(writer.ReadErrorUntil("serving on")) << writer.error;

  ChildProcess update({SOLVANE_UPDATE_PROGRAM});
  update.Send("g\n\n");
  EXPECT_EQ(update.Finish(), 0);
  writer.Terminate();

  EXPECT_NE(update.output.find("--- Error ---\nUnable to program your writer.  Error Code 35\n"),
            std::string::npos)
      << update.output;
  std::string text = ReadFile(log());
  EXPECT_NE(text.find(" - Unable to program your writer.  Error Code 35\n"), std::string::npos)
      << text;
  EXPECT_EQ(text.find("Successfully updated"), std::string::npos) << text;
}

// The first program holds the log while its error box waits; the second runs
// without a log and leaves the file alone.
TEST_F(ProgramTest, SecondProgramCannotOpenTheLogTheFirstHolds) {
  ChildProcess first({SOLVANE_UPDATE_PROGRAM});
  first.Send("g\n");
  ASSERT_TRUE(first.ReadOutputUntil("--- Error ---"));

  ChildProcess second({SOLVANE_UPDATE_PROGRAM});
  second.Send("g\n");
  EXPECT_EQ(second.Finish(), 0);
  EXPECT_NE(second.output.find("--- Error ---\nUnable to open a connection"), std::string::npos);

  EXPECT_EQ(first.Finish(), 0);
  std::string text = ReadFile(log());
  EXPECT_EQ(Count(text, "Solvane Update: Build: 35675\n"), 1u) << text;
  EXPECT_EQ(Count(text, " - Unable to open a connection with your steno machine.\n"), 1u);
  EXPECT_EQ(Count(text, " - Exiting\n"), 1u);

  // Once the first has closed it, the next run logs again.
  ChildProcess third({SOLVANE_UPDATE_PROGRAM});
  third.Send("g\n");
  EXPECT_EQ(third.Finish(), 0);
  EXPECT_EQ(Count(ReadFile(log()), " - Exiting\n"), 2u);
}

// Signals during a run wait for its end: the update completes, its box is
// closed as at the end of the input, and the program quits after the cleanup.
TEST_F(ProgramTest, ASignalDuringARunEndsTheProgramOnlyAfterIt) {
  ChildProcess writer({SOLVANE_WRITER_SIM_PROGRAM, "--state", (folder_ / "writer").string(),
                       "--type", "19", "--app-build", "35000"});
  ASSERT_TRUE(writer.ReadErrorUntil("serving on"));
  ChildProcess update({SOLVANE_UPDATE_PROGRAM});
  update.Send("g\n");
  ASSERT_TRUE(update.ReadOutputUntil("Sending "));
  update.Signal(SIGINT);
  ASSERT_TRUE(update.ReadOutputUntil("program will quit"));
  update.Signal(SIGTERM);
  update.Signal(SIGHUP);
  // Its input stays open: only the signal can close the success box.
  EXPECT_FALSE(update.ReadOutputUntil("no such text"));
  EXPECT_EQ(update.Finish(), 0);
  writer.Terminate();

  EXPECT_EQ(Count(update.output,
                  "\nAn update is in progress. The program will quit when it has finished.\n"),
            1u);
  EXPECT_NE(update.output.find("Successfully updated the Solvane/Solvane II.\n           Click OK "
                               "to Exit.\n(Enter: OK) > \n"),
            std::string::npos);
  std::string text = ReadFile(log());
  EXPECT_NE(text.find(" - Successfully updated the Solvane/Solvane II.\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 11), " - Exiting\n");
}

// The first program's run holds the lock in the writers' folder while its
// error box waits; the second's Go!, of the same user or of another, is
// refused.
TEST_F(ProgramTest, ASecondProgramDoesNotRunWhileTheFirstRuns) {
  fs::create_directories(folder_ / "devices" / kWriterInterfaceClassText);
  // Another user must reach the writers' folder.
  fs::permissions(folder_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  const std::vector<std::string> asNobody = {"setpriv", "--reuid=nobody", "--regid=nogroup",
                                             "--clear-groups"};
  for (bool otherUser : {false, true}) {
    SCOPED_TRACE(otherUser ? "as nobody" : "as the same user");
    if (otherUser && (getuid() != 0 || ChildProcess({"setpriv", "--version"}).Finish() != 0)) {
      GTEST_SKIP() << "cannot start a program as another user (not root, or no setpriv)";
    }
    ChildProcess first({SOLVANE_UPDATE_PROGRAM});
    first.Send("g\n");
    ASSERT_TRUE(first.ReadOutputUntil("--- Error ---"));

    std::vector<std::string> command = otherUser ? asNobody : std::vector<std::string>{};
    command.push_back(SOLVANE_UPDATE_PROGRAM);
    ChildProcess second(command);
    second.Send("g\n");
    EXPECT_EQ(second.Finish(), 0);
    EXPECT_NE(second.output.find("--- Error ---\nAnother Solvane Update is updating a "
                                 "writer.\nPlease wait until it has finished.\n"),
              std::string::npos)
        << second.output << second.error;
    EXPECT_EQ(first.Finish(), 0);
    EXPECT_NE(first.output.find("Unable to open a connection"), std::string::npos);

    // Once the first run has ended, the next one runs.
    ChildProcess third(command);
    third.Send("g\n");
    EXPECT_EQ(third.Finish(), 0);
    EXPECT_NE(third.output.find("Unable to open a connection"), std::string::npos);
  }
}

// A symlink where the lock should be is not followed: the run is refused,
// naming the file, and the file it points at is left as it was.
TEST_F(ProgramTest, ASymlinkAtTheLockRefusesTheRun) {
  fs::path writers = folder_ / "devices" / kWriterInterfaceClassText;
  fs::create_directories(writers);
  std::ofstream(folder_ / "precious") << "kept";
  fs::permissions(folder_ / "precious", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(folder_ / "precious", writers / "solvane-update.lock");

  ChildProcess update({SOLVANE_UPDATE_PROGRAM});
  update.Send("g\n");
  EXPECT_EQ(update.Finish(), 0);
  EXPECT_NE(update.output.find("--- Error ---\nAnother Solvane Update is updating a writer."),
            std::string::npos)
      << update.output;
  EXPECT_NE(update.error.find((writers / "solvane-update.lock").string()), std::string::npos)
      << update.error;
  EXPECT_EQ(ReadFile(folder_ / "precious"), "kept");
  EXPECT_EQ(fs::status(folder_ / "precious").permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
}

}  // namespace
}  // namespace solvane::terminal_test
