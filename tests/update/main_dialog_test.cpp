// The main dialog as it opens, and its system menu.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/engine_harness.h"

namespace solvane::engine_test {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

TEST(MainDialog, OpensWithCaptionButtonIntroAndAboutEntry) {
  Engine engine;
  engine.dialog.Attach(engine.window);
  EXPECT_TRUE(engine.dialog.OnInitDialog());

  EXPECT_EQ(engine.window.caption, "Solvane Update - Build:  35675");
  EXPECT_EQ(engine.window.items[1001], "&Go!");
  EXPECT_EQ(engine.window.items[1002],
            "Connect Steno Machine via the USB cable\nand click \"Go!\" to update your machine "
            "software.\n\nSolvane/Solvane II - Build: 35675\nSolvane Captioner/Student - Build: "
            "35675\n");
  EXPECT_EQ(engine.dialog.introText(), engine.window.items[1002]);
  EXPECT_THAT(engine.window.systemMenu, ElementsAre(Pair(16u, "&About Solvane Update...")));
  EXPECT_EQ(engine.window.icon, 128u);
  EXPECT_EQ(engine.dialog.applicationName(), "Solvane Update");
  EXPECT_FALSE(engine.dialog.logOpen());
  EXPECT_TRUE(engine.Requests().empty());
}

// The About box as the main dialog builds it.
class AboutWindow final : public DialogWindow {
 public:
  void SetItemText(uint32_t controlId, std::string_view text) override {
    items[controlId] = std::string(text);
  }
  void SetCaption(std::string_view) override {}
  int MessageBox(std::string_view, std::string_view, uint32_t) override { return kIdOk; }
  bool AppendSystemMenu(uint32_t, std::string_view) override { return false; }
  void SetIcon(uint32_t) override {}
  int RunModal(CDialog&) override { return kIdOk; }
  void EndDialog(int) override {}
  std::map<uint32_t, std::string> items;
};

class ChildRecordingWindow final : public DialogWindow {
 public:
  void SetItemText(uint32_t, std::string_view) override {}
  void SetCaption(std::string_view) override {}
  int MessageBox(std::string_view, std::string_view, uint32_t) override { return kIdOk; }
  bool AppendSystemMenu(uint32_t, std::string_view) override { return true; }
  void SetIcon(uint32_t) override {}
  int RunModal(CDialog& child) override {
    templates.push_back(child.templateId());
    AboutWindow about;
    child.Attach(about);
    child.OnInitDialog();
    child.Detach();
    versionTexts.push_back(about.items[1003]);
    return kIdOk;
  }
  void EndDialog(int) override {}
  std::vector<uint32_t> templates;
  std::vector<std::string> versionTexts;
};

TEST(MainDialog, SystemCommandsOf16To31OpenTheAboutBox) {
  Engine engine;
  ChildRecordingWindow window;
  engine.dialog.Attach(window);
  engine.dialog.OnInitDialog();

  EXPECT_TRUE(engine.dialog.OnSysCommand(16));
  EXPECT_TRUE(engine.dialog.OnSysCommand(31));
  EXPECT_FALSE(engine.dialog.OnSysCommand(32));
  EXPECT_FALSE(engine.dialog.OnSysCommand(0xF060));  // close: the window's own handling
  EXPECT_THAT(window.templates, ElementsAre(100u, 100u));
  EXPECT_THAT(window.versionTexts,
              ElementsAre("Solvane Update Build:  35675", "Solvane Update Build:  35675"));
}

TEST(MainDialog, CancelEndsTheDialogAndGoStartsARun) {
  Engine engine;
  engine.devices.plugged = false;
  engine.Start();
  EXPECT_TRUE(engine.dialog.OnCommand(1001));
  EXPECT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_FALSE(engine.window.ended.has_value());
  EXPECT_TRUE(engine.dialog.OnCommand(2));
  EXPECT_EQ(engine.window.ended, 2);
}

}  // namespace
}  // namespace solvane::engine_test
