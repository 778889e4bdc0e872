#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "sim/scenario_file.h"

namespace solvane {
namespace {

TEST(SimScenario, ReadsEveryKindOfFault) {
  std::filesystem::path path =
      std::filesystem::temp_directory_path() / "solvane-sim-scenario-test.json";
  std::ofstream(path) << R"({"faults": [
    {"code": "0x0040", "request": 3, "action": "noReply", "times": 0},
    {"code": 2, "chunk": 2, "action": "status", "status": 33, "param1": 2},
    {"code": 1, "request": 1, "action": "shortReply", "bytes": 7, "execute": true},
    {"flash": "bitFlip", "request": 4, "offset": 100, "bit": 3},
    {"vanish": 8, "request": 2},
    {"restart": 1, "lateMs": 20000}
  ]})";
  FaultSet faults = LoadScenario(path.string());
  std::filesystem::remove(path);
  ASSERT_EQ(faults.replies.size(), 3u);
  EXPECT_EQ(faults.replies[0].code, 0x0040);
  EXPECT_EQ(faults.replies[0].times, 0u);
  EXPECT_EQ(faults.replies[1].chunk, 2u);
  EXPECT_EQ(faults.replies[1].kind, ReplyFaultKind::kStatus);
  EXPECT_EQ(faults.replies[1].value, 33u);
  EXPECT_EQ(faults.replies[1].statusParam1, 2u);
  EXPECT_TRUE(faults.replies[2].execute);
  EXPECT_EQ(faults.replies[2].value, 7u);
  ASSERT_EQ(faults.flash.size(), 1u);
  EXPECT_EQ(faults.flash[0].kind, FlashFaultKind::kBitFlip);
  EXPECT_EQ(faults.flash[0].offset, 100u);
  EXPECT_EQ(faults.vanish.at(0).selector, 8u);
  EXPECT_EQ(faults.restarts.at(0).lateMs, 20000u);
}

TEST(SimScenario, ReadsTheTriggersAndKindsAddedLater) {
  FaultSet faults = ScenarioFaults(nlohmann::json::parse(R"({"description": "x", "faults": [
    {"subCommand": 25, "request": 2, "action": "shortPayload", "bytes": 3},
    {"selector": 8, "request": 1, "action": "wrongParam", "param": 1, "value": "0x10"},
    {"code": "0x0040", "request": 1, "action": "wrongByte", "offset": 4, "value": 255},
    {"code": 64, "request": 1, "action": "wrongLength", "length": 70000, "times": 0},
    {"flash": "xLoaderWrite"},
    {"restart": 2, "machineType": 5, "bootMode": true, "notReadyProbes": 3}
  ]})"));
  ASSERT_EQ(faults.replies.size(), 4u);
  EXPECT_EQ(faults.replies[0].code, 0xE023);
  EXPECT_EQ(faults.replies[0].subCommand, 25u);
  EXPECT_EQ(faults.replies[0].kind, ReplyFaultKind::kShortPayload);
  EXPECT_EQ(faults.replies[1].code, 0x100B);
  EXPECT_EQ(faults.replies[1].selector, 8u);
  EXPECT_EQ(faults.replies[1].index, 1u);
  EXPECT_EQ(faults.replies[1].value, 16u);
  EXPECT_EQ(faults.replies[2].index, 4u);
  EXPECT_EQ(faults.replies[2].value, 255u);
  EXPECT_EQ(faults.replies[3].value, 70000u);
  ASSERT_EQ(faults.flash.size(), 1u);
  EXPECT_EQ(faults.flash[0].kind, FlashFaultKind::kXLoaderWriteFails);
  EXPECT_EQ(faults.flash[0].offset, 16384u);
  ASSERT_EQ(faults.restarts.size(), 1u);
  EXPECT_EQ(faults.restarts[0].machineType, 5u);
  EXPECT_TRUE(faults.restarts[0].bootMode);
  EXPECT_EQ(faults.restarts[0].notReadyProbes, 3u);
}

TEST(SimScenario, RefusesWhatCouldNeverFireOrIsNotKnown) {
  const char* refused[] = {
      R"({"code": 1, "request": 1, "action": "explode"})",
      R"({"code": 1, "action": "noReply"})",
      R"({"code": 1, "request": 1, "chunk": 1, "action": "noReply"})",
      R"({"code": 1, "request": 1, "action": "noReply", "colour": "red"})",
      R"({"code": "0x1FFFF", "request": 1, "action": "noReply"})",
      R"({"code": "0xZZ", "request": 1, "action": "noReply"})",
      R"({"code": 1, "request": 0, "action": "noReply"})",
      R"({"code": 1, "request": -2, "action": "noReply"})",
      R"({"code": 1, "request": 1, "times": -1, "action": "noReply"})",
      R"({"code": 1, "request": 1.5, "action": "noReply"})",
      R"({"code": 1, "chunk": 1, "action": "noReply"})",
      R"({"code": 1, "request": 1, "action": "shortReply", "bytes": 32})",
      R"({"code": 1, "request": 1, "action": "wrongParam", "param": 5, "value": 0})",
      R"({"code": 1, "request": 1, "action": "wrongLength", "length": 1, "execute": true})",
      R"({"code": 1, "subCommand": 25, "request": 1, "action": "noReply"})",
      R"({"flash": "melt"})",
      R"({"flash": "write", "request": 0})",
      R"({"flash": "bitFlip", "bit": 8})",
      R"({"vanish": 8, "request": 0})",
      R"({"restart": 0, "never": true})",
      R"({"restart": 1, "never": "yes"})",
      R"({"weather": "rain"})",
  };
  for (const char* text : refused) {
    FaultSet faults;
    EXPECT_THROW(AddFault(nlohmann::json::parse(text), faults), std::invalid_argument) << text;
    EXPECT_TRUE(faults.replies.empty() && faults.flash.empty() && faults.vanish.empty() &&
                faults.restarts.empty())
        << text;
  }
  EXPECT_THROW(ScenarioFaults(nlohmann::json::parse(R"({"fault": []})")), std::invalid_argument);
  EXPECT_THROW(ScenarioFaults(nlohmann::json::parse(R"({"faults": [], "x": 1})")),
               std::invalid_argument);
}

TEST(SimScenario, AMessageNamesTheEntryAndTheKey) {
  FaultSet faults;
  try {
    AddFault(nlohmann::json::parse(R"({"code": 1, "request": 1, "action": "noReply", "tmes": 2})"),
             faults);
    FAIL() << "taken";
  } catch (const std::invalid_argument& error) {
    EXPECT_NE(std::string(error.what()).find("\"tmes\""), std::string::npos) << error.what();
    EXPECT_NE(std::string(error.what()).find("\"action\":\"noReply\""), std::string::npos)
        << error.what();
  }
}

}  // namespace
}  // namespace solvane
