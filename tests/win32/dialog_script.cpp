#include "tests/win32/dialog_script.h"

namespace solvane::test {

namespace {

DialogScript* running = nullptr;
constexpr UINT kTickMs = 10;

struct OwnedSearch {
  HWND owner;
  const std::string* caption;
  HWND found;
};

BOOL CALLBACK CheckOwned(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<OwnedSearch*>(lParam);
  if (GetWindow(window, GW_OWNER) == search->owner && IsWindowVisible(window) &&
      WindowText(window) == *search->caption) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

DialogScript::DialogScript(std::vector<Step> steps, int deadlineTicks)
    : steps_(std::move(steps)), ticksLeft_(deadlineTicks) {
  running = this;
  timer_ = SetTimer(nullptr, 0, kTickMs, &OnTimer);
}

DialogScript::~DialogScript() {
  KillTimer(nullptr, timer_);
  running = nullptr;
  // A deadline leaves WM_QUIT behind for the next loop; take it away.
  MSG message;
  while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

void CALLBACK DialogScript::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (running) {
    running->Tick();
  }
}

void DialogScript::Tick() {
  if (--ticksLeft_ < 0) {
    if (!timedOut_) {
      timedOut_ = true;
      PostQuitMessage(0);  // ends every modal loop of the thread
    }
    return;
  }
  if (finished()) {
    return;
  }
  size_t mine = next_++;
  if (!steps_[mine]() && next_ == mine + 1) {
    next_ = mine;
  }
}

std::string WindowText(HWND window) {
  char text[2048] = {};
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

std::string ItemText(HWND dialog, int controlId) {
  return WindowText(GetDlgItem(dialog, controlId));
}

HWND OwnedWindow(HWND owner, const std::string& caption) {
  OwnedSearch search{owner, &caption, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), &CheckOwned, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace solvane::test
