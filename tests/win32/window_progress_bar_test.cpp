#include "platform/win32/window_progress_bar.h"

#include <commctrl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace solvane {
namespace {

using ::testing::ElementsAre;

HWND const kDialog = reinterpret_cast<HWND>(0x100);
HWND const kBar = reinterpret_cast<HWND>(0x200);
HMODULE const kComctl = reinterpret_cast<HMODULE>(0x300);

// Records every call; `failing` names the one call that fails.
class FakeProgressBarApi final : public ProgressBarApi {
 public:
  std::vector<std::string> calls;
  std::string failing;

  HMODULE LoadLibraryExA(LPCSTR fileName, HANDLE file, DWORD flags) override {
    Record("load " + std::string(fileName) + (file ? " file" : "") + " " + Hex(flags));
    return failing == "load" ? nullptr : kComctl;
  }
  FARPROC GetProcAddress(HMODULE module, LPCSTR name) override {
    Record(std::string("proc ") + name + (module == kComctl ? "" : " elsewhere"));
    current_ = this;
    return failing == "proc"
               ? nullptr
               : reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&InitCommonControlsEx));
  }
  BOOL MapDialogRect(HWND dialog, LPRECT rect) override {
    Record("map " + Rect(*rect) + (dialog == kDialog ? "" : " elsewhere"));
    *rect = {rect->left * 2, rect->top * 2, rect->right * 2, rect->bottom * 2};
    return failing != "map";
  }
  HWND CreateWindowExA(DWORD exStyle,
                       LPCSTR className,
                       LPCSTR windowName,
                       DWORD style,
                       int x,
                       int y,
                       int width,
                       int height,
                       HWND parent,
                       HMENU menu,
                       HINSTANCE,
                       LPVOID) override {
    Record("create " + std::string(className) + " " + Hex(exStyle) + " " + Hex(style) + " " +
           std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(width) + "x" +
           std::to_string(height) + " id " + std::to_string(reinterpret_cast<INT_PTR>(menu)) +
           (windowName ? " named" : "") + (parent == kDialog ? "" : " elsewhere"));
    return failing == "create" ? nullptr : kBar;
  }
  BOOL ShowWindow(HWND window, int command) override {
    Record(std::string(command == SW_HIDE     ? "hide"
                       : command == SW_SHOWNA ? "show"
                                              : "other") +
           (window == kBar ? "" : " elsewhere"));
    return TRUE;
  }
  BOOL UpdateWindow(HWND window) override {
    Record(window == kBar ? "paint" : "paint elsewhere");
    return TRUE;
  }
  LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    std::string name = message == 0x406 ? "range" : message == 0x402 ? "pos" : Hex(message);
    Record(name + " " + std::to_string(wParam) + " " + std::to_string(lParam) +
           (window == kBar ? "" : " elsewhere"));
    return 0;
  }

 private:
  static BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* classes) {
    current_->Record("init " + std::to_string(classes->dwSize) + " " + Hex(classes->dwICC));
    return current_->failing != "init";
  }
  static std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%X", value);
    return text;
  }
  static std::string Rect(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
  }
  void Record(std::string call) { calls.push_back(std::move(call)); }

  static inline FakeProgressBarApi* current_ = nullptr;
};

TEST(WindowProgressBar, MadeAtTheFirstStepBelowTheStatusAreaShownPerStepAndHiddenAtItsEnd) {
  FakeProgressBarApi api;
  HWND dialog = nullptr;
  WindowProgressBar bar(api, [&] { return dialog; });
  bar.Start(100);  // no dialog yet: nothing to put a bar in
  bar.Advance(50);
  bar.End();
  EXPECT_TRUE(api.calls.empty());

  dialog = kDialog;
  bar.Start(3000);
  bar.Advance(1000);
  bar.Advance(UINT64_MAX);  // never past the end
  bar.End();
  bar.End();
  bar.Start(8);  // the next step: the same control
  bar.Advance(3);
  bar.End();  // broken off after a chunk
  bar.Start(0);
  bar.Advance(0);
  bar.End();
  EXPECT_THAT(
      api.calls,
      ElementsAre("load comctl32.dll 0x800", "proc InitCommonControlsEx", "init 8 0x20",
                  "map 19,166,301,176",
                  "create msctls_progress32 0x0 0x40000000 38,332 564x20 id 1003", "range 0 1000",
                  "pos 0 0", "show", "paint", "pos 333 0", "paint", "pos 1000 0", "paint", "hide",
                  "pos 0 0", "show", "paint", "pos 375 0", "paint", "hide"));
}

TEST(WindowProgressBar, WithoutTheCommonControlsTheRunGoesOnWithoutABar) {
  struct Case {
    const char* failing;
    size_t callsBeforeGivingUp;
  };
  for (Case c :
       {Case{"load", 1}, Case{"proc", 2}, Case{"init", 3}, Case{"map", 4}, Case{"create", 5}}) {
    FakeProgressBarApi api;
    api.failing = c.failing;
    WindowProgressBar bar(api, [] { return kDialog; });
    bar.Start(100);
    bar.Advance(100);
    bar.End();
    bar.Start(100);  // not tried again
    bar.End();
    EXPECT_EQ(api.calls.size(), c.callsBeforeGivingUp) << c.failing;
  }
}

}  // namespace
}  // namespace solvane
