// What keeps a run safe on Windows: its guard, the pumping wait, the device
// calls' helper thread, and the main dialog closed to input while it runs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/kite_update_dlg.h"
#include "app/win32/kite_update_app.h"
#include "app/win32/win32_dialog_window.h"
#include "platform/win32/call_thread.h"
#include "platform/win32/pumping_wait.h"
#include "platform/win32/system_message_pump.h"
#include "platform/win32/windows_run_guard.h"
#include "tests/win32/dialog_script.h"
#include "tests/win32/test_services.h"

namespace solvane {
namespace {

using ::testing::ElementsAre;

HWND const kWindow = reinterpret_cast<HWND>(0x1234);
HANDLE const kMutex = reinterpret_cast<HANDLE>(0x77);

// The guard's Windows calls, in order, each as a short text.
class FakeRunGuardApi final : public RunGuardApi {
 public:
  EXECUTION_STATE SetThreadExecutionState(EXECUTION_STATE flags) override {
    calls.push_back("state " + Hex(flags));
    return ES_CONTINUOUS;
  }
  BOOL ShutdownBlockReasonCreate(HWND window, LPCWSTR reason) override {
    calls.push_back("reason " + Hex(reinterpret_cast<uintptr_t>(window)));
    this->reason = reason;
    SetLastError(120);  // as under wine
    return FALSE;
  }
  BOOL ShutdownBlockReasonDestroy(HWND window) override {
    calls.push_back("no reason " + Hex(reinterpret_cast<uintptr_t>(window)));
    return TRUE;
  }
  HANDLE CreateMutexA(LPCSTR name) override {
    calls.push_back(std::string("mutex ") + name);
    return mutexMade ? kMutex : nullptr;
  }
  DWORD GetLastError() override { return createError; }
  DWORD WaitForSingleObject(HANDLE, DWORD milliseconds) override {
    calls.push_back("wait " + std::to_string(milliseconds));
    return waitResult;
  }
  BOOL ReleaseMutex(HANDLE) override {
    calls.push_back("release");
    return TRUE;
  }
  BOOL CloseHandle(HANDLE) override {
    calls.push_back("close");
    return TRUE;
  }
  void ExitProcess(UINT exitCode) override { calls.push_back("exit " + std::to_string(exitCode)); }

  static std::string Hex(uintptr_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(value));
    return text;
  }

  std::vector<std::string> calls;
  std::wstring reason;
  bool mutexMade = true;
  DWORD createError = 0;
  DWORD waitResult = WAIT_OBJECT_0;
};

struct GuardCase {
  const char* name;
  bool mutexMade;
  DWORD createError;
  DWORD waitResult;
  bool runs;
  std::vector<std::string> calls;  // Begin, then End when the run went on
};

TEST(WindowsRunGuard, HoldsTheMutexKeepsAwakeAndBlocksTheSessionForTheRunWhateverFails) {
  const std::vector<std::string> held = {"state 80000003", "reason 1234"};
  const std::vector<std::string> lifted = {"state 80000000", "no reason 1234"};
  auto join = [](std::vector<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (auto& part : parts) {
      all.insert(all.end(), part.begin(), part.end());
    }
    return all;
  };
  const std::vector<std::string> taken = {"mutex Global\\SolvaneUpdate.Run", "wait 0"};
  const std::vector<std::string> given = {"release", "close"};
  const GuardCase cases[] = {
      {"owned", true, 0, WAIT_OBJECT_0, true, join({taken, held, lifted, given})},
      {"abandoned by a copy that died", true, 0, WAIT_ABANDONED, true,
       join({taken, held, lifted, given})},
      {"owned by another copy", true, 0, WAIT_TIMEOUT, false, join({taken, {"close"}})},
      {"not waitable", true, 0, WAIT_FAILED, true, join({taken, {"close"}, held, lifted})},
      {"not opened: another user's or an elevated copy's",
       false,
       5,
       WAIT_OBJECT_0,
       false,
       {"mutex Global\\SolvaneUpdate.Run"}},
      {"not made for any other reason", false, 1450, WAIT_OBJECT_0, true,
       join({{"mutex Global\\SolvaneUpdate.Run"}, held, lifted})},
  };
  for (const GuardCase& row : cases) {
    SCOPED_TRACE(row.name);
    FakeRunGuardApi api;
    api.mutexMade = row.mutexMade;
    api.createError = row.createError;
    api.waitResult = row.waitResult;
    int runsEnded = 0;
    WindowsRunGuard guard(
        api, [] { return kWindow; }, [&] { ++runsEnded; });
    EXPECT_TRUE(guard.SessionMayEnd());
    ASSERT_EQ(guard.Begin(), row.runs);
    EXPECT_EQ(guard.RunInProgress(), row.runs);
    EXPECT_EQ(guard.SessionMayEnd(), !row.runs);
    if (row.runs) {
      EXPECT_EQ(api.reason,
                L"Updating the firmware of your writer. Please wait until it has finished.");
      guard.End();
    }
    EXPECT_EQ(api.calls, row.calls);
    EXPECT_FALSE(guard.RunInProgress());
    EXPECT_TRUE(guard.SessionMayEnd());
    EXPECT_EQ(runsEnded, row.runs ? 1 : 0);
  }
}

TEST(WindowsRunGuard, RelaxLetsTheSessionEndOnceWhileTheRunHoldsItsMutex) {
  FakeRunGuardApi api;
  WindowsRunGuard guard(
      api, [] { return kWindow; }, nullptr);
  ASSERT_TRUE(guard.Begin());
  guard.Relax();
  EXPECT_TRUE(guard.SessionMayEnd());
  EXPECT_TRUE(guard.RunInProgress());
  guard.Relax();
  guard.End();
  EXPECT_THAT(api.calls,
              ElementsAre("mutex Global\\SolvaneUpdate.Run", "wait 0", "state 80000003",
                          "reason 1234", "state 80000000", "no reason 1234", "release", "close"));
}

// A run mutex this user may not open, as an elevated copy's or another user's
// is on Windows, refuses the run (made here with an empty DACL, which wine
// refuses alike; a second session cannot be made under wine).
TEST(WindowsRunGuard, ARunMutexThisUserMayNotOpenRefusesTheRun) {
  ACL acl;
  SECURITY_DESCRIPTOR descriptor;
  ASSERT_TRUE(InitializeAcl(&acl, sizeof acl, ACL_REVISION));
  ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
  ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, &acl, FALSE));
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor, FALSE};
  HANDLE other = ::CreateMutexA(&attributes, TRUE, "Global\\SolvaneUpdate.Run");
  ASSERT_NE(other, nullptr);
  SystemRunGuardApi api;
  WindowsRunGuard guard(
      api, [] { return HWND(nullptr); }, nullptr);
  EXPECT_FALSE(guard.Begin());
  CloseHandle(other);
  EXPECT_TRUE(guard.Begin());
  guard.End();
}

// A pump on virtual time: each wait sees a message `messageEveryMs` after it
// starts (or its timeout first), and the event once the clock reaches `eventAtMs`.
class VirtualPump final : public MessagePump {
 public:
  uint64_t NowMs() override { return now; }
  bool WaitForEventOrMessage(HANDLE event, uint32_t milliseconds) override {
    if (event != nullptr && now >= eventAtMs) {
      return ::WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0;
    }
    now += std::min(milliseconds, messageEveryMs);
    return false;
  }
  void Pump() override { ++pumps; }

  uint64_t now = 0;
  uint32_t messageEveryMs = 30;
  uint64_t eventAtMs = UINT64_MAX;
  int pumps = 0;
};

TEST(PumpingWait, EndsAtTheDeadlineTakenWhenItStartsHoweverManyMessagesCome) {
  VirtualPump pump;
  PumpingWait wait(pump);
  EXPECT_FALSE(wait.WaitFor(nullptr, 1000));
  EXPECT_EQ(pump.now, 1000u);
  EXPECT_EQ(pump.pumps, 34);  // one per message, and one at the deadline

  pump.messageEveryMs = 5000;
  pump.now = pump.pumps = 0;
  EXPECT_FALSE(wait.WaitFor(nullptr, 2000));
  EXPECT_EQ(pump.now, 2000u);
}

// A call that passes 60 s lifts the run's hold and lets the close box end the
// program; when it returns, the next calls run with the hold back and the
// close box dropped, unless the run had lifted the hold itself.
TEST(CallThread, MakesTheCallOnItsThreadAndLiftsTheGuardOnlyWhileACallTakesOver60Seconds) {
  struct Row {
    uint64_t doneAtMs;
    bool relaxedBefore;
    std::vector<std::string> callsAfterBegin;
  };
  const std::vector<std::string> lifted = {"state 80000000", "no reason 1234"};
  const std::vector<std::string> heldAgain = {"state 80000003", "reason 1234"};
  std::vector<std::string> liftedAndHeldAgain = lifted;
  liftedAndHeldAgain.insert(liftedAndHeldAgain.end(), heldAgain.begin(), heldAgain.end());
  const Row rows[] = {
      {59990, false, {}},
      {61000, false, liftedAndHeldAgain},
      {150000, false, liftedAndHeldAgain},
      {61000, true, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.doneAtMs) + (row.relaxedBefore ? " relaxed before" : ""));
    VirtualPump pump;
    pump.messageEveryMs = 10;
    pump.eventAtMs = row.doneAtMs;
    PumpingWait wait(pump);
    FakeRunGuardApi api;
    WindowsRunGuard guard(
        api, [] { return kWindow; }, nullptr);
    ASSERT_TRUE(guard.Begin());
    if (row.relaxedBefore) {
      guard.Relax();
    }
    api.calls.clear();
    int slowCalls = 0;
    bool closeEndedProgramDuringCall = false;
    CallThread thread(
        wait,
        [&] {
          ++slowCalls;
          guard.DeviceCallHung();
          closeEndedProgramDuringCall = guard.CloseEndsProgram();
        },
        [&] { guard.SlowDeviceCallReturned(); });
    DWORD caller = GetCurrentThreadId();
    DWORD madeOn = caller;
    thread.Run([&] { madeOn = GetCurrentThreadId(); });
    thread.Run([] {});
    EXPECT_NE(madeOn, caller);
    EXPECT_EQ(slowCalls, row.doneAtMs < 60000 ? 0 : 1);
    EXPECT_EQ(closeEndedProgramDuringCall, row.doneAtMs >= 60000);
    EXPECT_EQ(api.calls, row.callsAfterBegin);
    EXPECT_FALSE(guard.CloseEndsProgram());
    EXPECT_EQ(guard.SessionMayEnd(), row.relaxedBefore);
    thread.Stop();
    guard.End();
  }
}

// A device call made from inside a device call would wait for itself.
TEST(CallThread, ACallFromInsideACallEndsTheProgram) {
  VirtualPump pump;
  pump.eventAtMs = 0;
  PumpingWait wait(pump);
  CallThread thread(
      wait, [] {}, [] {});
  EXPECT_DEATH(thread.Run([&] { thread.Run([] {}); }), "");
}

class RunningMainDialog : public ::testing::Test {
 protected:
  test::TestServices services;
  FakeRunGuardApi api;
  WindowsRunGuard guard{api, [this] { return window.handle(); }, nullptr};
  std::unique_ptr<CKiteUpdate100Dlg> dialog = std::make_unique<CKiteUpdate100Dlg>(UpdaterServices{
      services.devices, services.waiter, services.clock, services.log, services.resources,
      services.version, services.strings, services.progress, guard});
  Win32DialogWindow window{reinterpret_cast<HINSTANCE>(test::ProductModule()), *dialog};
  HWND Main() const { return window.handle(); }
  int RunsTried() const {
    return static_cast<int>(
        std::count(api.calls.begin(), api.calls.end(), "mutex Global\\SolvaneUpdate.Run"));
  }
};

TEST_F(RunningMainDialog, DropsCommandsCloseAndSystemCommandsAndKeepsTheSessionDuringARun) {
  window.SetRunGuard(&guard);
  LRESULT idleAnswer = -1;
  LRESULT runAnswer = -1;
  test::DialogScript script({[&] {
                               idleAnswer = SendMessageA(Main(), WM_QUERYENDSESSION, 0, 0);
                               guard.Begin();
                               runAnswer = SendMessageA(Main(), WM_QUERYENDSESSION, 0, 0);
                               SendMessageA(Main(), WM_COMMAND, IDCANCEL, 0);
                               SendMessageA(GetDlgItem(Main(), 2), BM_CLICK, 0, 0);
                               SendMessageA(Main(), WM_CLOSE, 0, 0);
                               SendMessageA(Main(), WM_SYSCOMMAND, SC_CLOSE, 0);
                               SendMessageA(Main(), WM_HELP, 0, 0);
                               return true;
                             },
                             [&] {
                               EXPECT_TRUE(IsWindowVisible(Main()));
                               EXPECT_THAT(api.calls.back(), ::testing::StartsWith("reason "));
                               // A device call that hangs: the close box ends the program.
                               guard.DeviceCallHung();
                               EXPECT_EQ(SendMessageA(Main(), WM_QUERYENDSESSION, 0, 0), TRUE);
                               SendMessageA(Main(), WM_SYSCOMMAND, SC_CLOSE, 0);
                               EXPECT_EQ(api.calls.back(), "exit 1");
                               guard.End();
                               EXPECT_EQ(SendMessageA(Main(), WM_QUERYENDSESSION, 0, 0), TRUE);
                               return PostMessageA(Main(), WM_CLOSE, 0, 0) != FALSE;
                             }});
  EXPECT_EQ(window.Run(nullptr), IDCANCEL);
  EXPECT_TRUE(script.finished());
  EXPECT_EQ(idleAnswer, TRUE);
  EXPECT_EQ(runAnswer, FALSE);
}

// "&Go!" pressed again while the refusal of another copy's run is shown
// starts no run from inside that box.
TEST_F(RunningMainDialog, TakesNoCommandWhileTheRefusalOfARunIsShown) {
  window.SetRunGuard(&guard);
  api.waitResult = WAIT_TIMEOUT;  // another copy holds the run
  test::DialogScript script({[&] {
                               PostMessageA(Main(), WM_COMMAND, kGoButton, 0);
                               return true;
                             },
                             [&] {
                               HWND box = test::OwnedWindow(Main(), "Error");
                               if (box == nullptr) {
                                 return false;
                               }
                               SendMessageA(Main(), WM_COMMAND, kGoButton, 0);
                               SendMessageA(Main(), WM_CLOSE, 0, 0);
                               EXPECT_EQ(RunsTried(), 1);
                               return PostMessageA(box, WM_COMMAND, IDOK, 0) != FALSE;
                             },
                             [&] {
                               if (test::OwnedWindow(Main(), "Error") != nullptr) {
                                 return false;
                               }
                               return PostMessageA(Main(), WM_CLOSE, 0, 0) != FALSE;
                             }});
  EXPECT_EQ(window.Run(nullptr), IDCANCEL);
  EXPECT_TRUE(script.finished());
  EXPECT_EQ(RunsTried(), 1);
}

// Real input, as a user gives it: a click on the caption's close glyph (its
// right or left edge, so that two clicks make no double click), and Alt+F4 at
// the window.
void ClickCloseBox(HWND window, bool leftEdge) {
  RECT frame;
  GetWindowRect(window, &frame);
  for (LONG y = frame.top; y < frame.top + 40; ++y) {
    std::vector<LONG> glyph;
    for (LONG x = frame.right - 1; x > frame.right - 80; --x) {
      if (SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) {
        glyph.push_back(x);
      }
    }
    if (glyph.size() > 8) {
      SetCursorPos(leftEdge ? glyph.back() + 1 : glyph.front() - 1, y + 2);
      INPUT click[2] = {};
      click[0].type = click[1].type = INPUT_MOUSE;
      click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
      click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
      ASSERT_EQ(SendInput(2, click, sizeof(INPUT)), 2u);
      return;
    }
  }
  FAIL() << "no close glyph on the caption";
}

void PressAltF4(HWND window) {
  SetForegroundWindow(window);
  INPUT keys[4] = {};
  const WORD order[4] = {VK_MENU, VK_F4, VK_F4, VK_MENU};
  for (int i = 0; i < 4; ++i) {
    keys[i].type = INPUT_KEYBOARD;
    keys[i].ki.wVk = order[i];
    keys[i].ki.dwFlags = i < 2 ? 0 : KEYEVENTF_KEYUP;
  }
  ASSERT_EQ(SendInput(4, keys, sizeof(INPUT)), 4u);
}

// The gestures the thread's messages carried, handled or dropped, and the
// close commands they became, posted or sent.
int closeBoxClicks = 0;
int altF4Presses = 0;
int closeCommands = 0;
bool IsClose(UINT message, WPARAM wParam) {
  return message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE;
}
LRESULT CALLBACK SeeGestures(int code, WPARAM removed, LPARAM message) {
  const MSG& seen = *reinterpret_cast<const MSG*>(message);
  if (code == HC_ACTION && removed == PM_REMOVE) {
    closeBoxClicks += (seen.message == WM_NCLBUTTONDOWN || seen.message == WM_NCLBUTTONDBLCLK) &&
                      seen.wParam == HTCLOSE;
    altF4Presses +=
        (seen.message == WM_SYSKEYDOWN || seen.message == WM_KEYDOWN) && seen.wParam == VK_F4;
    closeCommands += IsClose(seen.message, seen.wParam);
  }
  return CallNextHookEx(nullptr, code, removed, message);
}
LRESULT CALLBACK SeeSentCloses(int code, WPARAM sent, LPARAM message) {
  const CWPSTRUCT& seen = *reinterpret_cast<const CWPSTRUCT*>(message);
  closeCommands += code == HC_ACTION && IsClose(seen.message, seen.wParam);
  return CallNextHookEx(nullptr, code, sent, message);
}

// Through the pump the run waits in: during a healthy run the close box and
// Alt+F4 do nothing; after a hang each ends the program, and the log ends
// with a line that says so and its closing line.
TEST_F(RunningMainDialog, CloseBoxAndAltF4EndTheProgramOnlyAfterAHang) {
  window.SetRunGuard(&guard);
  LogHangBeforeProgramEnds(guard, *dialog);
  SystemMessagePump pump([this] { return Main(); }, [this] { return guard.CloseEndsProgram(); });
  PumpingWait wait(pump);
  HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, &SeeGestures, nullptr, GetCurrentThreadId());
  HHOOK sentHook = SetWindowsHookExA(WH_CALLWNDPROC, &SeeSentCloses, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  ASSERT_NE(sentHook, nullptr);
  auto ends = [&] { return std::count(api.calls.begin(), api.calls.end(), "exit 1"); };
  // Real input arrives when it arrives, and now and then wine loses it: pump
  // until the thread has seen the gesture, giving it again if it does not come.
  auto pumpUntil = [&](const std::function<bool()>& arrived) {
    for (int i = 0; i < 100 && !arrived(); ++i) {
      wait.WaitFor(nullptr, 20);
    }
    return arrived();
  };
  auto give = [&](const std::function<void()>& gesture, const std::function<int()>& count) {
    int before = count();
    for (int attempt = 0; attempt < 3; ++attempt) {
      gesture();
      if (pumpUntil([&] { return count() > before; })) {
        return;
      }
    }
    ADD_FAILURE() << "the gesture never arrived";
  };
  auto logEndsWithHang = [&] {
    const std::string hang =
        " - The writer has not answered for over a minute; the program was closed while it "
        "waited.\n";
    const std::string& text = services.log.contents;
    size_t at = text.rfind(hang);
    return at != std::string::npos && text.find('\n', at + hang.size()) == text.size() - 1 &&
           text.substr(text.size() - 11) == " - Exiting\n";
  };
  test::DialogScript script({[&] {
    // Input goes to the active window: a first click on the status area, before
    // the run, makes it so.
    RECT status;
    GetWindowRect(GetDlgItem(Main(), kStatusArea), &status);
    SetCursorPos((status.left + status.right) / 2, (status.top + status.bottom) / 2);
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, click, sizeof(INPUT));
    EXPECT_TRUE(pumpUntil([&] { return GetActiveWindow() == Main(); }));
    guard.Begin();
    for (int hung : {0, 1}) {
      SCOPED_TRACE(hung ? "after a hang" : "during a healthy run");
      if (!dialog->logOpen()) {
        dialog->OpenLog();
      }
      if (hung) {
        guard.DeviceCallHung();
      }
      // Healthy, until the thread has seen it; after a hang, until it has ended the program.
      give([&] { ClickCloseBox(Main(), hung != 0); },
           [&] { return hung ? static_cast<int>(ends()) : closeBoxClicks; });
      EXPECT_EQ(ends(), hung);
      EXPECT_EQ(closeCommands, hung);
      EXPECT_EQ(logEndsWithHang(), hung != 0) << services.log.contents;
      if (!dialog->logOpen()) {
        dialog->OpenLog();
      }
      give([&] { PressAltF4(Main()); },
           [&] { return hung ? static_cast<int>(ends()) : altF4Presses; });
      EXPECT_EQ(ends(), 2 * hung);
      EXPECT_EQ(closeCommands, 2 * hung);
      EXPECT_EQ(logEndsWithHang(), hung != 0) << services.log.contents;
    }
    dialog->CloseLog();
    guard.End();
    return PostMessageA(Main(), WM_CLOSE, 0, 0) != FALSE;
  }});
  EXPECT_EQ(window.Run(nullptr), IDCANCEL);
  EXPECT_TRUE(script.finished());
  EXPECT_EQ(ends(), 2);
  UnhookWindowsHookEx(sentHook);
  UnhookWindowsHookEx(hook);
}

}  // namespace
}  // namespace solvane
