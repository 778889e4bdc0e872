#pragma once

#include <csignal>
#include <string>

#include "platform/run_guard.h"

namespace solvane {

// A run of solvane-update holds an flock on a file in the writers' folder, so a
// second solvane-update, of any user, does not update a writer at the same time
// (no folder: the run goes on without it; a file that cannot be opened or
// locked otherwise refuses the run, saying which). SIGINT, SIGTERM and SIGHUP during a run do not
// stop it: the first says the program will quit when the run has finished,
// and the run then takes the end of the input.
class TerminalRunGuard final : public RunGuard {
 public:
  explicit TerminalRunGuard(std::string lockPath) : lockPath_(std::move(lockPath)) {}
  ~TerminalRunGuard() override;

  TerminalRunGuard(const TerminalRunGuard&) = delete;
  TerminalRunGuard& operator=(const TerminalRunGuard&) = delete;

  bool Begin() override;
  void Relax() override {}
  void End() override;

  // True once a signal has asked the program to quit.
  static bool QuitRequested();

 private:
  void HoldSignals();
  void ReleaseSignals();

  std::string lockPath_;
  int lock_ = -1;
  struct sigaction previous_[3] = {};
};

}  // namespace solvane
