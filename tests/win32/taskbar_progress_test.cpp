#include "platform/win32/taskbar_progress.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace solvane {
namespace {

class RecordingButton final : public TaskbarButton {
 public:
  std::vector<std::string> calls;
  void ShowProgress(uint64_t completed, uint64_t total) override {
    calls.push_back(std::to_string(completed) + "/" + std::to_string(total));
  }
  void HideProgress() override { calls.push_back("hide"); }
};

using ::testing::ElementsAre;

TEST(TaskbarProgress, ShowsEachStepFromItsStartToItsEnd) {
  RecordingButton button;
  TaskbarProgress progress(button);
  progress.Start(100);
  progress.Advance(40);
  progress.Advance(60);
  progress.End();
  progress.Start(10);
  progress.Advance(UINT64_MAX);  // never past the total
  progress.End();
  EXPECT_THAT(button.calls,
              ElementsAre("0/100", "40/100", "100/100", "hide", "0/10", "10/10", "hide"));
}

TEST(TaskbarProgress, BrokenOffStepIsHiddenAtItsEndAndAnEmptyStepShowsNothing) {
  RecordingButton button;
  TaskbarProgress progress(button);
  progress.End();
  progress.Start(0);
  progress.Advance(5);
  progress.End();
  progress.Start(8192);
  progress.Advance(4096);
  progress.End();
  progress.End();
  EXPECT_THAT(button.calls, ElementsAre("0/8192", "4096/8192", "hide"));
}

}  // namespace
}  // namespace solvane
