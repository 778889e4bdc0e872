#pragma once

#include <functional>

#include "platform/call_runner.h"
#include "platform/win32/pumping_wait.h"

namespace solvane {

// Makes each call on one helper thread, one at a time, while the calling
// thread waits for it in a pumping wait: the window stays alive however long
// the writer takes to answer. The thread starts with the first call and ends
// with Stop. A call made from the helper thread itself would wait for itself
// for ever: it ends the program at once instead.
class CallThread final : public CallRunner {
 public:
  // `onSlowCall` is called once per call that has not returned after 60 s,
  // `onSlowCallReturned` when such a call returns after all.
  CallThread(PumpingWait& wait,
             std::function<void()> onSlowCall,
             std::function<void()> onSlowCallReturned);
  ~CallThread() override;

  CallThread(const CallThread&) = delete;
  CallThread& operator=(const CallThread&) = delete;

  void Run(const std::function<void()>& call) override;
  void Stop();

 private:
  static DWORD WINAPI ThreadMain(void* self);
  bool Start();

  PumpingWait& wait_;
  std::function<void()> onSlowCall_;
  std::function<void()> onSlowCallReturned_;
  HANDLE callReady_;
  HANDLE callDone_;
  HANDLE thread_ = nullptr;
  DWORD threadId_ = 0;
  const std::function<void()>* call_ = nullptr;
};

}  // namespace solvane
