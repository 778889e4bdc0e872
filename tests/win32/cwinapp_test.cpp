#include "app/win32/cwinapp.h"

#include <gtest/gtest.h>

#include "tests/win32/test_support.h"

namespace solvane {
namespace {

class CountingApp final : public CWinApp {
 public:
  int initialisations = 0;
  int helps = 0;
  bool InitInstance() override {
    ++initialisations;
    return false;
  }

 protected:
  void OnHelp() override { ++helps; }
};

TEST(CWinApp, RunsInitInstanceOnceWithTheApplicationName) {
  CountingApp app;
  EXPECT_EQ(app.Run(reinterpret_cast<HINSTANCE>(test::ProductModule())), 0);
  EXPECT_EQ(app.initialisations, 1);
  EXPECT_EQ(app.applicationName(), "Solvane Update");
}

TEST(CWinApp, TakesOnlyTheHelpCommand) {
  CountingApp app;
  EXPECT_TRUE(app.OnCommand(57670));
  EXPECT_FALSE(app.OnCommand(1001));
  EXPECT_FALSE(app.OnCommand(2));
  EXPECT_EQ(app.helps, 1);
}

}  // namespace
}  // namespace solvane
