#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "device/kite_usb.h"
#include "device/posix/device_folder.h"
#include "device/posix/socket_device_access.h"
#include "sim/default_state.h"
#include "sim/state_store.h"
#include "sim_process.h"
#include "tests/support/recording_message_boxes.h"
#include "tests/support/virtual_clock.h"

namespace solvane::sim_test {
namespace {

namespace fs = std::filesystem;

// solvane-writer-sim itself, in a scratch folder with its own device folder.
class SimProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(SimProgramPath())) << SimProgramPath() << " is not built";
    // Under /tmp, not the build tree: a socket path holds at most 107 bytes.
    char pattern[] = "/tmp/solvane-sim-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    setenv("SOLVANE_DEVICE_DIR", (dir_ / "devices").c_str(), 1);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string SocketPath(const std::string& name = "writer0") const {
    return DeviceFolder(kWriterInterfaceClassText) + "/" + name;
  }
  ProgramResult Run(const std::vector<std::string>& arguments) const {
    return RunSimProgram(arguments);
  }
  nlohmann::json PrintState(const std::string& state) const {
    ProgramResult result = Run({"--state", state, "--print-state"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return nlohmann::json::parse(result.out, nullptr, false);
  }

  // The writer comes back on a new socket some time after its restart.
  static bool Reopen(CKiteUsb& link) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (link.Open() != 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        return false;
      }
      std::this_thread::yield();
    }
    return true;
  }

  fs::path dir_;
  VirtualClock clock_;  // the link's waits cost no real time
  RecordingMessageBoxes boxes_;
  SocketDeviceAccess access_{std::chrono::seconds(5)};
};

TEST_F(SimProgram, ServesAScenarioAcrossARestartAndPrintsWhatItHolds) {
  std::ofstream(Path("scenario.json")) << R"({"faults": [
    {"code": "0x0040", "request": 1, "action": "wrongParam", "param": 0, "value": 0},
    {"restart": 1, "bootMode": true, "notReadyProbes": 1}
  ]})";
  SimProcess sim({"--state", Path("state"), "--scenario", Path("scenario.json"), "--transcript",
                  Path("transcript.jsonl")});
  ASSERT_TRUE(sim.WaitUntilServing()) << sim.errors();

  CKiteUsb link(access_, clock_, boxes_);
  ASSERT_EQ(link.Open(), 0u) << "not listening once it says it serves";
  ASSERT_EQ(link.Identify(), 0u);
  EXPECT_EQ(link.bootMode(), 0u);
  EXPECT_TRUE(link.ShowMessage("Checking WiFi App..."));
  uint8_t bytes[16];
  EXPECT_FALSE(link.ReadMemory(0x00020000, 16, bytes));  // echoes another address
  EXPECT_TRUE(link.ReadMemory(0x00020000, 16, bytes));
  ASSERT_TRUE(link.RequestReset(0));
  EXPECT_FALSE(link.ShowMessage(nullptr)) << "the connection outlived the restart";
  link.Close();
  ASSERT_TRUE(Reopen(link));
  ASSERT_EQ(link.Identify(), 0u);
  EXPECT_EQ(link.bootMode(), 1u);
  EXPECT_FALSE(link.ShowMessage(nullptr));  // the display is not up yet
  EXPECT_TRUE(link.ShowMessage(nullptr));
  link.Close();
  EXPECT_EQ(sim.Stop(), 0) << sim.errors();
  EXPECT_FALSE(fs::exists(SocketPath()));

  nlohmann::json state = PrintState(Path("state"));
  EXPECT_EQ(state["bootMode"], true);
  EXPECT_EQ(state["display"]["shown"], nlohmann::json::array({"Checking WiFi App..."}));
  EXPECT_EQ(state["display"]["current"], "");
  EXPECT_EQ(state["sensorBoard"]["build"], 14000);
  EXPECT_EQ(state["startsAfterRestart"], true);

  std::ifstream transcript(Path("transcript.jsonl"));
  std::vector<nlohmann::json> lines;
  for (std::string line; std::getline(transcript, line);) {
    lines.push_back(nlohmann::json::parse(line));
  }
  auto shown = std::find_if(lines.begin(), lines.end(), [](const nlohmann::json& line) {
    return line.value("display", "") == "Checking WiFi App...";
  });
  EXPECT_NE(shown, lines.end());
  auto refused = std::find_if(lines.begin(), lines.end(), [](const nlohmann::json& line) {
    return line.value("code", "") == "0x0006" && line["params"][0] == "0x00000029";
  });
  EXPECT_NE(refused, lines.end()) << "no not-ready reply in the transcript";
}

TEST_F(SimProgram, BadInputIsRefusedAtTheStartNamingWhatIsWrong) {
  std::ofstream(Path("a-file")) << "x";
  StateStore(Path("mistyped")).Save(DefaultWriterState());
  {
    std::ifstream in(Path("mistyped") + "/state.json");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    text.replace(text.find("\"machineType\": 19"), 17, "\"machineType\": -19");
    std::ofstream(Path("mistyped") + "/state.json") << text;
  }
  StateStore(Path("short")).Save(DefaultWriterState());
  fs::resize_file(Path("short") + "/wifi.bin", 100);
  StateStore(Path("empty")).Save(DefaultWriterState());
  fs::resize_file(Path("empty") + "/sensor.bin", 0);

  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"--app-version", "2.xx.00", "--print-state"}, 2, "--app-version: \"2.xx.00\""},
      {{"--boot-version", "1.2.3.4.5", "--print-state"}, 2, "--boot-version: \"1.2.3.4.5\""},
      {{"--type", "-1", "--print-state"}, 2, "--type"},
      {{"--app-build", "4294967296", "--print-state"}, 2, "--app-build"},
      {{"--clock-offset", "99999999999", "--print-state"}, 2, "--clock-offset"},
      {{"--fault", R"({"code": 1, "request": 1, "action": "noReply", "tmes": 2})", "--print-state"},
       2,
       "unknown key \"tmes\""},
      {{"--fault", R"({"code": "0x10000", "request": 1, "action": "noReply"})"}, 2, "\"code\""},
      {{"--fault", R"({"restart": 0, "never": true})"}, 2, "\"restart\""},
      {{"--fault", R"({"flash": "write", "request": -3})"}, 2, "\"request\""},
      {{"--fault", "{not json", "--print-state"}, 2, "--fault"},
      {{"--scenario", Path("none.json"), "--print-state"}, 2, "none.json"},
      {{"--state", Path("a-file"), "--print-state"}, 2, "--state: " + Path("a-file")},
      {{"--state", Path("a-file")}, 2, "is not a folder"},
      {{"--state", Path("a-file") + "/below"}, 2, "--state"},
      {{"--transcript", Path("no/such/folder/t.jsonl")}, 2, "--transcript"},
      {{"--state", Path("mistyped"), "--print-state"}, 2, "state.json: identity.machineType"},
      {{"--state", Path("short"), "--print-state"}, 2, "wifi.bin holds 100 bytes"},
      {{"--state", Path("empty"), "--print-state"}, 2, "sensor.bin holds 0 bytes"},
      {{"--socket-name", "a/b"}, 2, "--socket-name"},
      // One byte more than a Unix socket path holds.
      {{"--socket-name", std::string(108 - SocketPath("").size(), 'w')},
       2,
       "is 108 bytes, more than the 107 a Unix socket takes"},
  };
  for (const Case& c : cases) {
    ProgramResult result = Run(c.arguments);
    std::string given = c.arguments[0] + " " + c.arguments[1];
    EXPECT_EQ(result.exitCode, c.exitCode) << given << ": " << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << given << ": " << result.err;
    EXPECT_EQ(result.err.find("serving on"), std::string::npos) << given;
    EXPECT_EQ(result.out, "") << given;
  }
}

TEST_F(SimProgram, ASecondSimulatorOnTheSameSocketRefusesAndLeavesTheFirst) {
  // A socket left behind by a simulator that was killed is taken over.
  int stale = socket(AF_UNIX, SOCK_SEQPACKET, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  fs::create_directories(fs::path(SocketPath()).parent_path());
  std::string path = SocketPath();
  ASSERT_LT(path.size(), sizeof address.sun_path) << path;
  path.copy(address.sun_path, path.size());
  ASSERT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  close(stale);

  SimProcess first({});
  ASSERT_TRUE(first.WaitUntilServing()) << first.errors();
  ProgramResult second = Run({});
  EXPECT_EQ(second.exitCode, 1);
  EXPECT_NE(second.err.find("cannot listen on " + SocketPath()), std::string::npos) << second.err;
  ASSERT_TRUE(fs::exists(SocketPath()));
  CKiteUsb link(access_, clock_, boxes_);
  ASSERT_EQ(link.Open(), 0u);
  EXPECT_EQ(link.Identify(), 0u);
  link.Close();

  // One that took the name over after the first lost its socket keeps it when the first stops.
  fs::remove(SocketPath());
  SimProcess third({});
  ASSERT_TRUE(third.WaitUntilServing()) << third.errors();
  EXPECT_EQ(first.Stop(), 0);
  EXPECT_TRUE(fs::exists(SocketPath()));
  ASSERT_EQ(link.Open(), 0u);
  EXPECT_EQ(link.Identify(), 0u);
  link.Close();
  EXPECT_EQ(third.Stop(), 0);
}

TEST_F(SimProgram, RealtimeAndAnOpenJobHoldForTheRunTheyAreGivenTo) {
  SimProcess busy({"--state", Path("state"), "--realtime-open", "--job-open"});
  ASSERT_TRUE(busy.WaitUntilServing()) << busy.errors();
  CKiteUsb link(access_, clock_, boxes_);
  ASSERT_EQ(link.Open(), 0u);
  EXPECT_EQ(link.OpenFile("REALTIME.000"), 0u);
  EXPECT_TRUE(link.CloseFile());
  EXPECT_FALSE(link.EraseFlash(0x01020000, 0x20000));
  link.Close();
  EXPECT_EQ(busy.Stop(), 0);

  nlohmann::json state = PrintState(Path("state"));
  EXPECT_EQ(state["realtimeActive"], false);
  EXPECT_EQ(state["jobOpen"], false);
  EXPECT_EQ(state["files"], nlohmann::json::array());
  SimProcess idle({"--state", Path("state")});
  ASSERT_TRUE(idle.WaitUntilServing()) << idle.errors();
  ASSERT_EQ(link.Open(), 0u);
  EXPECT_NE(link.OpenFile("REALTIME.000"), 0u);
  EXPECT_TRUE(link.EraseFlash(0x01020000, 0x20000));
  link.Close();
  EXPECT_EQ(idle.Stop(), 0);
}

}  // namespace
}  // namespace solvane::sim_test
