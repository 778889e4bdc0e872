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

TEST(SimScenario, RefusesWhatItDoesNotKnow) {
  FaultSet faults;
  EXPECT_THROW(AddFault({{"code", 1}, {"request", 1}, {"action", "explode"}}, faults),
               std::exception);
  EXPECT_THROW(AddFault({{"code", 1}, {"action", "noReply"}}, faults), std::exception);
  EXPECT_THROW(AddFault({{"flash", "melt"}}, faults), std::exception);
  EXPECT_THROW(AddFault({{"weather", "rain"}}, faults), std::exception);
  EXPECT_TRUE(faults.replies.empty());
}

}  // namespace
}  // namespace solvane
