#include "platform/win32/call_thread.h"

#include <cassert>
#include <cstdlib>

namespace solvane {

namespace {

// A writer or driver that hangs must not keep the PC from shutting down for ever.
constexpr uint32_t kSlowCallMs = 60000;

}  // namespace

CallThread::CallThread(PumpingWait& wait,
                       std::function<void()> onSlowCall,
                       std::function<void()> onSlowCallReturned)
    : wait_(wait),
      onSlowCall_(std::move(onSlowCall)),
      onSlowCallReturned_(std::move(onSlowCallReturned)),
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
    thread_ = CreateThread(nullptr, 0, &ThreadMain, this, 0, &threadId_);
  }
  return thread_ != nullptr;
}

void CallThread::Run(const std::function<void()>& call) {
  bool nested = thread_ != nullptr && GetCurrentThreadId() == threadId_;
  assert(!nested && "a device call made from inside a device call");
  if (nested) {
    std::abort();  // also where assertions are compiled out
  }
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
  onSlowCallReturned_();
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
  threadId_ = 0;
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
