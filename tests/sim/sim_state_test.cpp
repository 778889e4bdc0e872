#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/state_report.h"
#include "sim/state_store.h"
#include "sim_test_support.h"

namespace solvane::sim_test {
namespace {

namespace fs = std::filesystem;

class SimState : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* base = std::getenv("SOLVANE_TEST_TMP");
    folder_ = fs::path(base != nullptr ? base : fs::temp_directory_path().string()) /
              ("sim-state-" + std::to_string(getpid()));
    fs::remove_all(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  // The message Load throws, or "" when it loads.
  std::string LoadError() const {
    try {
      StateStore(folder_.string()).Load();
      return "";
    } catch (const std::exception& error) {
      return error.what();
    }
  }

  void EditStateFile(const std::string& from, const std::string& to) const {
    std::ifstream in(folder_ / "state.json");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    std::ofstream(folder_ / "state.json") << text;
  }

  fs::path folder_;
};

std::vector<uint8_t> Text(const std::string& text) {
  std::vector<uint8_t> payload(text.begin(), text.end());
  payload.resize((text.size() / 32 + 1) * 32, 0);
  return payload;
}

TEST_F(SimState, SaveAndLoadRoundTrip) {
  SimHarness sim;
  Place nvs = Query(sim, kWifiNvsPartition);
  sim.Send(kEraseFlash, {nvs.address, nvs.size});
  sim.Send(kSendCommand, {kSensorMode}, std::vector<uint8_t>{0});
  sim.Transfer(kSendApplicationCode,
               CodeImage(FirmwareHeader::kApplication, 0x02000000, 35675, 400));
  sim.Send(kExchangeClock, {12345, 1});
  // A text in the writer's code page, with a byte above 0x7F.
  std::string accented = "Caf\xE9";
  sim.Send(kShowMessage, {static_cast<uint32_t>(accented.size())}, Text(accented));
  sim.Send(kShowMessage);
  WriterState saved = sim.writer.State();
  saved.xLoaderIntact = false;
  saved.realtimeActive = true;
  saved.jobOpen = true;
  StateStore(folder_.string()).Save(saved);

  std::optional<WriterState> loaded = StateStore(folder_.string()).Load();
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->wifi, saved.wifi);
  EXPECT_EQ(loaded->sensorFlash, saved.sensorFlash);
  ASSERT_TRUE(loaded->pendingApplication);
  EXPECT_EQ(loaded->pendingApplication->build, 35675u);
  EXPECT_EQ(loaded->displayHistory, std::vector<std::string>{accented});
  EXPECT_EQ(loaded->displayText, "");
  EXPECT_FALSE(loaded->xLoaderIntact);
  // Realtime and an open job belong to the run that was given them.
  EXPECT_FALSE(loaded->realtimeActive);
  EXPECT_FALSE(loaded->jobOpen);
  loaded->realtimeActive = saved.realtimeActive;
  loaded->jobOpen = saved.jobOpen;
  EXPECT_EQ(StateReport(*loaded), StateReport(saved));
  EXPECT_EQ(StateReport(*loaded)["display"]["shown"][0], "Caf\u00e9");
  EXPECT_EQ(StateReport(*loaded)["xLoader"]["versionText"], "X-Loader 5.00 (");
  EXPECT_FALSE(StateStore((folder_ / "none").string()).Load());
}

TEST_F(SimState, DamagedStatesAreRefusedByFileAndKey) {
  StateStore store(folder_.string());
  store.Save(DefaultWriterState());
  ASSERT_EQ(LoadError(), "");

  EditStateFile("\"machineType\": 19", "\"machineType\": \"19\"");
  std::string error = LoadError();
  EXPECT_NE(error.find("state.json: identity.machineType"), std::string::npos) << error;
  EditStateFile("\"machineType\": \"19\"", "\"machineType\": -1");
  EXPECT_NE(LoadError().find("identity.machineType"), std::string::npos);
  EditStateFile("\"machineType\": -1", "\"machineType\": 4294967296");
  EXPECT_NE(LoadError().find("identity.machineType"), std::string::npos);
  EditStateFile("\"machineType\": 4294967296", "\"machineType\": 19");
  EditStateFile("\"clockOffsetSeconds\": 0", "\"clockOffsetSeconds\": 1e30");
  EXPECT_NE(LoadError().find("clockOffsetSeconds"), std::string::npos);
  EditStateFile("\"clockOffsetSeconds\": 1e30", "\"clockOffsetSeconds\": -5");
  EXPECT_EQ(LoadError(), "");
  EditStateFile("\"bootMode\": false", "\"bootMode\": 0");
  EXPECT_NE(LoadError().find("identity.bootMode"), std::string::npos);
  EditStateFile("\"bootMode\": 0", "\"bootMode\": false");

  for (const char* file : {"xloader.bin", "wifi.bin", "sensor.bin"}) {
    fs::path path = folder_ / file;
    auto size = fs::file_size(path);
    for (uintmax_t wrong : {uintmax_t{0}, size - 1, size + 1}) {
      fs::resize_file(path, wrong);
      error = LoadError();
      EXPECT_NE(error.find(file), std::string::npos) << file << " of " << wrong;
      EXPECT_NE(error.find(std::to_string(wrong) + " bytes"), std::string::npos) << error;
    }
    fs::resize_file(path, size);
  }
}

TEST(SimTranscript, RecordsEveryRequestReplyAndDisplayText) {
  std::ostringstream lines;
  Transcript transcript(&lines, true);
  VirtualClock clock;
  VirtualHostTime hostTime(clock);
  SimWriter writer(DefaultWriterState(), hostTime, {}, {}, &transcript);
  std::vector<uint8_t> reply;
  std::vector<uint8_t> payload = {9, 8, 7};
  writer.Handle(Packet(kSendCommand, {kSensorMode}, payload), reply);
  std::string text = "Updating X-Loader";
  writer.Handle(Packet(kShowMessage, {static_cast<uint32_t>(text.size())}, Text(text)), reply);
  writer.Handle(Packet(kShowMessage, {}), reply);

  const std::vector<TranscriptEntry>& entries = transcript.entries();
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_TRUE(entries[0].request);
  EXPECT_EQ(entries[0].code, kSendCommand);
  EXPECT_EQ(entries[0].length, 3u);
  EXPECT_EQ(entries[0].payloadCrc, Crc32Of(payload.data(), payload.size()));
  EXPECT_FALSE(entries[0].display);
  EXPECT_EQ(entries[1].code, kStatusReply);
  EXPECT_EQ(entries[2].display, text);
  EXPECT_EQ(entries[4].display, "");
  std::vector<nlohmann::json> json;
  std::istringstream in(lines.str());
  for (std::string line; std::getline(in, line);) {
    json.push_back(nlohmann::json::parse(line));
  }
  ASSERT_EQ(json.size(), 7u);
  EXPECT_EQ(json[0]["recording"], "solvane");
  EXPECT_EQ(json[0]["version"], 2);
  EXPECT_EQ(json[3]["display"], text);
  EXPECT_EQ(json[3]["name"], "ShowMessage");
  EXPECT_EQ(json[5]["display"], "");
  EXPECT_FALSE(json[1].contains("display"));
}

}  // namespace
}  // namespace solvane::sim_test
