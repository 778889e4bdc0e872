#include "platform/win32/call_thread.h"

namespace solvane {

namespace {

// A writer or driver that hangs must not keep the PC from shutting down for ever.
constexpr uint32_t kSlowCallMs = 60000;

}  // namespace

CallThread::CallThread(PumpingWait& wait, std::function<void()> onSlowCall)
    : wait_(wait),
      onSlowCall_(std::move(onSlowCall)),
      callReady_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      callDone_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

CallThread::~CallThread() {
  Stop();
  for (HANDLE event : {callReady_, callDone_}) {
    if (event != nullptr) {
      CloseHandle(event);
    }
  }
}

bool CallThread::Start() {
  if (thread_ == nullptr && callReady_ != nullptr && callDone_ != nullptr) {
    thread_ = CreateThread(nullptr, 0, &ThreadMain, this, 0, nullptr);
  }
  return thread_ != nullptr;
}

void CallThread::Run(const std::function<void()>& call) {
  if (!Start()) {
    call();  // no thread: the call blocks here, as it always did
    return;
  }
  call_ = &call;
  SetEvent(callReady_);
  if (wait_.WaitFor(callDone_, kSlowCallMs)) {
    return;
  }
  onSlowCall_();
  while (!wait_.WaitFor(callDone_, kSlowCallMs)) {
  }
}

void CallThread::Stop() {
  if (thread_ == nullptr) {
    return;
  }
  call_ = nullptr;  // the thread's sign to end
  SetEvent(callReady_);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
}

DWORD WINAPI CallThread::ThreadMain(void* self) {
  auto* thread = static_cast<CallThread*>(self);
  for (;;) {
    WaitForSingleObject(thread->callReady_, INFINITE);
    if (thread->call_ == nullptr) {
      return 0;
    }
    (*thread->call_)();
    SetEvent(thread->callDone_);
  }
}

}  // namespace solvane
