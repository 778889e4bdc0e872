// The main dialog in its Windows dialog, driven from inside its modal loop.
#include "app/win32/win32_dialog_window.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/kite_update_dlg.h"
#include "tests/win32/dialog_script.h"
#include "tests/win32/test_services.h"

namespace solvane {
namespace {

using test::DialogScript;
using test::ItemText;
using test::OwnedWindow;
using test::WindowText;

constexpr const char* kIntroText =
    "Connect Steno Machine via the USB cable\nand click \"Go!\" to update your machine "
    "software.\n\nSolvane/Solvane II - Build: 35675\nSolvane Captioner/Student - Build: 35675\n";

class RecordingApplication final : public CommandTarget {
 public:
  std::vector<uint32_t> commands;
  int commandsDone = 0;
  bool OnCommand(uint32_t commandId) override {
    commands.push_back(commandId);
    return commandId == 57670;
  }
  void AfterCommand() override { ++commandsDone; }
};

class MainDialogWindow : public ::testing::Test {
 protected:
  test::TestServices services;
  std::unique_ptr<CKiteUpdate100Dlg> dialog = std::make_unique<CKiteUpdate100Dlg>(services.All());
  RecordingApplication application;
  Win32DialogWindow window{reinterpret_cast<HINSTANCE>(test::ProductModule()), *dialog,
                           &application};

  // Runs the dialog with `steps`; its result.
  INT_PTR RunWith(std::vector<DialogScript::Step> steps) {
    DialogScript script(std::move(steps));
    INT_PTR result = window.Run(nullptr);
    EXPECT_TRUE(script.finished());
    EXPECT_FALSE(script.timedOut());
    return result;
  }
  HWND Main() const { return window.handle(); }
  DialogScript::Step Cancel() {
    return [this] { return PostMessageA(Main(), WM_COMMAND, IDCANCEL, 0) != FALSE; };
  }
};

TEST_F(MainDialogWindow, StartsWithTheBuildInTheCaptionGoTheIntroTextAndTheAboutEntry) {
  INT_PTR result =
      RunWith({[this] {
                 EXPECT_EQ(WindowText(Main()), "Solvane Update - Build:  35675");
                 EXPECT_EQ(ItemText(Main(), 1001), "&Go!");
                 EXPECT_EQ(ItemText(Main(), 1002), kIntroText);
                 EXPECT_EQ(GetFocus(), GetDlgItem(Main(), 2));

                 HMENU menu = GetSystemMenu(Main(), FALSE);
                 int count = GetMenuItemCount(menu);
                 EXPECT_NE(GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR, 0u);
                 EXPECT_EQ(GetMenuItemID(menu, count - 1), 16u);
                 char entry[64] = {};
                 GetMenuStringA(menu, count - 1, entry, sizeof entry, MF_BYPOSITION);
                 EXPECT_STREQ(entry, "&About Solvane Update...");

                 LRESULT big = SendMessageA(Main(), WM_GETICON, ICON_BIG, 0);
                 EXPECT_NE(big, 0);
                 EXPECT_EQ(SendMessageA(Main(), WM_GETICON, ICON_SMALL, 0), big);
                 EXPECT_EQ(SendMessageA(Main(), WM_QUERYDRAGICON, 0, 0), big);
                 return true;
               },
               Cancel()});
  EXPECT_EQ(result, 2);
  EXPECT_FALSE(dialog->logOpen());
}

TEST_F(MainDialogWindow, AboutEntryOpensTheAboutBoxOverTheDisabledMainDialog) {
  HWND about = nullptr;
  bool returned = false;
  INT_PTR result =
      RunWith({[&] {
                 // 16 with low bits set is the About entry too.
                 SendMessageA(Main(), WM_SYSCOMMAND, 16 + 5, 0);
                 returned = true;
                 return true;
               },
               [&] {
                 about = OwnedWindow(Main(), "About KiteUpdate");
                 if (about == nullptr) {
                   return false;
                 }
                 EXPECT_FALSE(IsWindowEnabled(Main()));
                 EXPECT_EQ(ItemText(about, 1003), "Solvane Update Build:  35675");
                 // Centred over the main dialog, where the user is looking.
                 RECT owner, box;
                 GetWindowRect(Main(), &owner);
                 GetWindowRect(about, &box);
                 EXPECT_LE(std::abs((owner.left + owner.right) - (box.left + box.right)), 1);
                 EXPECT_LE(std::abs((owner.top + owner.bottom) - (box.top + box.bottom)), 1);
                 PostMessageA(about, WM_COMMAND, IDOK, 0);
                 return true;
               },
               [&] {
                 if (!returned) {
                   return false;
                 }
                 EXPECT_FALSE(IsWindow(about));
                 EXPECT_TRUE(IsWindowEnabled(Main()));
                 return true;
               },
               Cancel()});
  EXPECT_EQ(result, 2);
}

TEST_F(MainDialogWindow, QuitEscapeAndTheCloseBoxEachEndTheDialogWithCancel) {
  EXPECT_EQ(
      RunWith({[this] { return PostMessageA(GetDlgItem(Main(), 2), BM_CLICK, 0, 0) != FALSE; }}),
      2);
  EXPECT_EQ(RunWith({[this] {
              return PostMessageA(GetDlgItem(Main(), 1001), WM_KEYDOWN, VK_ESCAPE, 0) != FALSE;
            }}),
            2);
  EXPECT_EQ(RunWith({[this] { return PostMessageA(Main(), WM_SYSCOMMAND, SC_CLOSE, 0) != FALSE; }}),
            2);
}

TEST_F(MainDialogWindow, GoWithNoWriterShowsTheOpenFailureAndLogsIt) {
  HWND box = nullptr;
  INT_PTR result = RunWith(
      {[this] { return PostMessageA(GetDlgItem(Main(), 1001), BM_CLICK, 0, 0) != FALSE; },
       [&] {
         box = OwnedWindow(Main(), "Error");
         if (box == nullptr) {
           return false;
         }
         EXPECT_EQ(ItemText(box, 0xFFFF),
                   "Unable to open a connection with your steno machine.\nPlease make sure the "
                   "writer is turned On and the USB cable is firmly connected");
         EXPECT_FALSE(IsWindowEnabled(Main()));
         PostMessageA(box, WM_COMMAND, IDOK, 0);
         return true;
       },
       [&] {
         if (IsWindow(box) || !IsWindowEnabled(Main())) {
           return false;
         }
         EXPECT_EQ(ItemText(Main(), 1002), kIntroText);
         return true;
       },
       Cancel()});
  EXPECT_EQ(result, 2);
  // 1700000000 is 2023-11-14 22:13:20 in the test clock's zone.
  EXPECT_EQ(services.log.contents,
            "November 14, 2023  22:13:20 - Solvane Update: Build: 35675\n"
            "November 14, 2023  22:13:20 - Unable to open a connection with your steno machine.\n"
            "Please make sure the writer is turned On and the USB cable is firmly connected\n"
            "November 14, 2023  22:13:20 - Exiting\n");
}

TEST_F(MainDialogWindow, HelpCommandAndF1GoToTheApplication) {
  INT_PTR result = RunWith({[this] {
                              SendMessageA(Main(), WM_COMMAND, 57670, 0);
                              HELPINFO help{};
                              help.cbSize = sizeof(HELPINFO);
                              SendMessageA(Main(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
                              return true;
                            },
                            Cancel()});
  EXPECT_EQ(result, 2);
  EXPECT_EQ(application.commands, (std::vector<uint32_t>{57670, 57670}));
  EXPECT_EQ(application.commandsDone, 3);  // and the cancel
}

// Counts the icon background erasures the dialog asks for while it paints.
int iconErasures = 0;
WNDPROC dialogProcedure = nullptr;

LRESULT CALLBACK CountIconErasures(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ICONERASEBKGND) {
    ++iconErasures;
  }
  return CallWindowProcA(dialogProcedure, window, message, wParam, lParam);
}

TEST_F(MainDialogWindow, PaintsItsIconOnlyWhenMinimised) {
  INT_PTR result =
      RunWith({[this] {
                 dialogProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
                     Main(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountIconErasures)));
                 SendMessageA(Main(), WM_PAINT, 0, 0);
                 EXPECT_EQ(iconErasures, 0);
                 ShowWindow(Main(), SW_MINIMIZE);
                 EXPECT_TRUE(IsIconic(Main()));
                 iconErasures = 0;
                 SendMessageA(Main(), WM_PAINT, 0, 0);
                 EXPECT_EQ(iconErasures, 1);
                 return true;
               },
               Cancel()});
  EXPECT_EQ(result, 2);
}

}  // namespace
}  // namespace solvane
