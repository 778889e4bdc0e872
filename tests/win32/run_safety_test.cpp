// What keeps a run safe on Windows: its guard, the pumping wait, the device
// calls' helper thread, and the main dialog closed to input while it runs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/kite_update_dlg.h"
#include "app/win32/win32_dialog_window.h"
#include "platform/win32/call_thread.h"
#include "platform/win32/pumping_wait.h"
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
  DWORD waitResult = WAIT_OBJECT_0;
};

struct GuardCase {
  const char* name;
  bool mutexMade;
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
  const std::vector<std::string> taken = {"mutex Local\\SolvaneUpdate.Run", "wait 0"};
  const std::vector<std::string> given = {"release", "close"};
  const GuardCase cases[] = {
      {"owned", true, WAIT_OBJECT_0, true, join({taken, held, lifted, given})},
      {"abandoned by a copy that died", true, WAIT_ABANDONED, true,
       join({taken, held, lifted, given})},
      {"owned by another copy", true, WAIT_TIMEOUT, false, join({taken, {"close"}})},
      {"not waitable", true, WAIT_FAILED, true, join({taken, {"close"}, held, lifted})},
      {"not made", false, WAIT_OBJECT_0, true,
       join({{"mutex Local\\SolvaneUpdate.Run"}, held, lifted})},
  };
  for (const GuardCase& row : cases) {
    SCOPED_TRACE(row.name);
    FakeRunGuardApi api;
    api.mutexMade = row.mutexMade;
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
              ElementsAre("mutex Local\\SolvaneUpdate.Run", "wait 0", "state 80000003",
                          "reason 1234", "state 80000000", "no reason 1234", "release", "close"));
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

TEST(CallThread, MakesTheCallOnItsThreadAndLiftsTheGuardOnceWhenItTakes60Seconds) {
  for (uint64_t doneAtMs : {59990ull, 60010ull, 150000ull}) {
    SCOPED_TRACE(doneAtMs);
    VirtualPump pump;
    pump.messageEveryMs = 10;
    pump.eventAtMs = doneAtMs;
    PumpingWait wait(pump);
    int slowCalls = 0;
    CallThread thread(wait, [&] { ++slowCalls; });
    DWORD caller = GetCurrentThreadId();
    DWORD madeOn = caller;
    thread.Run([&] { madeOn = GetCurrentThreadId(); });
    EXPECT_NE(madeOn, caller);
    EXPECT_EQ(slowCalls, doneAtMs < 60000 ? 0 : 1);
    thread.Stop();
  }
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
        std::count(api.calls.begin(), api.calls.end(), "mutex Local\\SolvaneUpdate.Run"));
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

}  // namespace
}  // namespace solvane
