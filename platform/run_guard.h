#pragma once

namespace solvane {

// What holds for the length of an update run: the lock that keeps a second copy
// of the program from updating a writer at the same time, and, where the system
// has them, the requests that keep the PC awake and the session from ending.
// A guard call that fails never changes the run.
class RunGuard {
 public:
  virtual ~RunGuard() = default;
  // At the start of a run: false when another copy holds the run's lock; the
  // run then stops before its link is opened, and nothing is held.
  virtual bool Begin() = 0;
  // Lets the PC sleep and the session end again: nothing is left to cut short.
  virtual void Relax() = 0;
  // On every way out of a run that Begin let start.
  virtual void End() = 0;
};

// No guard: every run starts.
class NoRunGuard final : public RunGuard {
 public:
  bool Begin() override { return true; }
  void Relax() override {}
  void End() override {}
};

inline NoRunGuard kNoRunGuard;

}  // namespace solvane
