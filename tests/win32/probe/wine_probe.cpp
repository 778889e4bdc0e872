// solvane-wine-probe: looks at and pokes the windows of a running program for
// the GUI smoke test, through the Windows API. Every answer is printed on one
// line, so the caller checks what it reads and never trusts an exit code alone.
//
//   window CAPTION TIMEOUT_MS          the top-level window with this caption
//   owned HWND CAPTION TIMEOUT_MS      a visible window owned by HWND
//   other HWND CAPTION TIMEOUT_MS      a top-level window with this caption
//                                      that is not HWND
//   gone HWND TIMEOUT_MS               waits until HWND is destroyed
//   text HWND [ID]                     the text of HWND or its control ID
//   enabled HWND                       1 or 0
//   click HWND ID                      posts BM_CLICK to the control
//   syscommand HWND COMMAND            posts WM_SYSCOMMAND
//   rect HWND                          x y width height on the screen
//   progress HWND CAPTION TIMEOUT_MS   watches HWND's progress bar until a
//                                      window owned by HWND has CAPTION
//   post HWND MESSAGE WPARAM           posts a message
//   send HWND MESSAGE                  sends it (30 s at most); its answer
//   watch HWND CAPTION                 sends WM_NULL about every 100 ms until a
//                                      window owned by HWND has CAPTION; the
//                                      longest answer time
//   hello                              "probe ok"
//   damage-rcdata FILE ID              flips a byte of RCDATA ID's stream in FILE
#include <windows.h>
// After windows.h.
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/win32/probe/rcdata_damage.h"

namespace {

constexpr DWORD kPollMs = 50;

HWND Handle(const char* text) {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(text, nullptr, 0)));
}

std::string Text(HWND window) {
  char text[4096] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// Line feeds and carriage returns as \n and \r, so each answer stays one line.
void PrintText(const std::string& text) {
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      line += "\\n";
    } else if (c == '\r') {
      line += "\\r";
    } else if (c == '\\') {
      line += "\\\\";
    } else {
      line += c;
    }
  }
  std::printf("%s\n", line.c_str());
}

struct Search {
  HWND owner;
  std::string caption;
  HWND found;
  HWND except = nullptr;
};

BOOL CALLBACK Check(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<Search*>(lParam);
  if ((search->owner == nullptr || GetWindow(window, GW_OWNER) == search->owner) &&
      window != search->except && IsWindowVisible(window) && Text(window) == search->caption) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

int WaitForWindow(HWND owner, const std::string& caption, DWORD timeoutMs, HWND except = nullptr) {
  for (DWORD waited = 0;; waited += kPollMs) {
    Search search{owner, caption, nullptr, except};
    EnumWindows(&Check, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
      std::printf("0x%llx\n",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(search.found)));
      return 0;
    }
    if (waited >= timeoutMs) {
      std::printf("no window \"%s\"\n", caption.c_str());
      return 1;
    }
    Sleep(kPollMs);
  }
}

int WaitGone(HWND window, DWORD timeoutMs) {
  for (DWORD waited = 0; IsWindow(window); waited += kPollMs) {
    if (waited >= timeoutMs) {
      std::printf("still there\n");
      return 1;
    }
    Sleep(kPollMs);
  }
  std::printf("gone\n");
  return 0;
}

bool OwnedWindowShown(HWND owner, const std::string& caption) {
  Search search{owner, caption, nullptr};
  EnumWindows(&Check, reinterpret_cast<LPARAM>(&search));
  return search.found != nullptr;
}

// Every 20 ms: is the progress control there and visible, and what position
// does it answer (a window that takes no messages answers none)? Positions
// that rise while the bar stays up show it filling; a bar hidden after it was
// up shows it going between steps. Its state when the owned window came ends
// the line.
int WatchProgress(HWND window, const std::string& caption, DWORD timeoutMs) {
  constexpr DWORD kWatchPollMs = 20;
  constexpr UINT kAnswerMs = 50;
  int polls = 0, visible = 0, hiddenAfterShown = 0, positionsRead = 0, rises = 0;
  bool wasVisible = false;
  DWORD lastPosition = 0;
  std::string first;
  DWORD started = GetTickCount();
  while (!OwnedWindowShown(window, caption)) {
    if (GetTickCount() - started > timeoutMs || !IsWindow(window)) {
      std::printf("no window \"%s\"\n", caption.c_str());
      return 1;
    }
    HWND bar = FindWindowExA(window, nullptr, PROGRESS_CLASSA, nullptr);
    bool shown = bar != nullptr && IsWindowVisible(bar);
    if (first.empty()) {
      first = bar == nullptr ? "none" : shown ? "visible" : "hidden";
    }
    ++polls;
    if (shown) {
      ++visible;
      DWORD_PTR position = 0;
      if (SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, kAnswerMs, &position) != 0) {
        ++positionsRead;
        if (wasVisible && position > lastPosition) {
          ++rises;
        }
        lastPosition = static_cast<DWORD>(position);
      }
    } else {
      hiddenAfterShown += wasVisible ? 1 : 0;
      lastPosition = 0;
    }
    wasVisible = shown;
    Sleep(kWatchPollMs);
  }
  HWND bar = FindWindowExA(window, nullptr, PROGRESS_CLASSA, nullptr);
  std::printf(
      "first %s polls %d visible %d hidden-after-shown %d positions-read %d rises %d "
      "at-box %s\n",
      first.c_str(), polls, visible, hiddenAfterShown, positionsRead, rises,
      bar == nullptr         ? "none"
      : IsWindowVisible(bar) ? "visible"
                             : "hidden");
  return 0;
}

constexpr UINT kAnswerTimeoutMs = 30000;
constexpr DWORD kWatchPeriodMs = 100;

int Send(HWND window, UINT message) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutA(window, message, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &answer)) {
    std::printf("no answer\n");
    return 1;
  }
  std::printf("%llu\n", static_cast<unsigned long long>(answer));
  return 0;
}

// The main dialog counts as hung on Windows when it leaves a sent message
// unanswered for 5 s; this measures how long it ever took.
int Watch(HWND window, const std::string& caption) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  double longestMs = 0;
  for (;;) {
    if (OwnedWindowShown(window, caption) || !IsWindow(window)) {
      break;
    }
    LARGE_INTEGER before;
    LARGE_INTEGER after;
    QueryPerformanceCounter(&before);
    DWORD_PTR answer = 0;
    BOOL answered =
        SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &answer);
    QueryPerformanceCounter(&after);
    double ms = 1000.0 * static_cast<double>(after.QuadPart - before.QuadPart) /
                static_cast<double>(frequency.QuadPart);
    if (!answered && IsWindow(window)) {
      std::printf("no answer within %u ms\n", kAnswerTimeoutMs);
      return 1;
    }
    longestMs = ms > longestMs ? ms : longestMs;
    Sleep(kWatchPeriodMs);
  }
  std::printf("longest answer %.0f ms\n", longestMs);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "hello") {
    std::printf("probe ok\n");
    return 0;
  }
  if (command == "window" && argc == 4) {
    return WaitForWindow(nullptr, argv[2], std::strtoul(argv[3], nullptr, 0));
  }
  if (command == "owned" && argc == 5) {
    return WaitForWindow(Handle(argv[2]), argv[3], std::strtoul(argv[4], nullptr, 0));
  }
  if (command == "other" && argc == 5) {
    return WaitForWindow(nullptr, argv[3], std::strtoul(argv[4], nullptr, 0), Handle(argv[2]));
  }
  if (command == "gone" && argc == 4) {
    return WaitGone(Handle(argv[2]), std::strtoul(argv[3], nullptr, 0));
  }
  if (command == "text" && (argc == 3 || argc == 4)) {
    HWND window = Handle(argv[2]);
    if (argc == 4) {
      window = GetDlgItem(window, std::atoi(argv[3]));
    }
    PrintText(Text(window));
    return 0;
  }
  if (command == "enabled" && argc == 3) {
    std::printf("%d\n", IsWindowEnabled(Handle(argv[2])) ? 1 : 0);
    return 0;
  }
  if (command == "click" && argc == 4) {
    HWND control = GetDlgItem(Handle(argv[2]), std::atoi(argv[3]));
    std::printf(control && PostMessageA(control, BM_CLICK, 0, 0) ? "posted\n" : "no control\n");
    return 0;
  }
  if (command == "syscommand" && argc == 4) {
    std::printf(PostMessageA(Handle(argv[2]), WM_SYSCOMMAND, std::strtoul(argv[3], nullptr, 0), 0)
                    ? "posted\n"
                    : "no window\n");
    return 0;
  }
  if (command == "rect" && argc == 3) {
    RECT r{};
    GetWindowRect(Handle(argv[2]), &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
  }
  if (command == "progress" && argc == 5) {
    return WatchProgress(Handle(argv[2]), argv[3], std::strtoul(argv[4], nullptr, 0));
  }
  if (command == "damage-rcdata" && argc == 4) {
    return solvane::probe::DamageRcdata(argv[2], std::strtoul(argv[3], nullptr, 0));
  }
  if (command == "post" && argc == 5) {
    std::printf(PostMessageA(Handle(argv[2]), std::strtoul(argv[3], nullptr, 0),
                             std::strtoul(argv[4], nullptr, 0), 0)
                    ? "posted\n"
                    : "no window\n");
    return 0;
  }
  if (command == "send" && argc == 4) {
    return Send(Handle(argv[2]), std::strtoul(argv[3], nullptr, 0));
  }
  if (command == "watch" && argc == 4) {
    return Watch(Handle(argv[2]), argv[3]);
  }
  std::printf(
      "usage: solvane-wine-probe "
      "hello|window|owned|other|gone|text|enabled|click|syscommand|rect|"
      "progress|post|send|watch|damage-rcdata\n");
  return 2;
}
