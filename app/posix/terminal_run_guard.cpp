#include "app/posix/terminal_run_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace solvane {

namespace {

constexpr int kHeldSignals[] = {SIGINT, SIGTERM, SIGHUP};
volatile std::sig_atomic_t quitRequested = 0;

void OnSignalDuringRun(int) {
  if (quitRequested) {
    return;
  }
  quitRequested = 1;
  const char text[] = "\nAn update is in progress. The program will quit when it has finished.\n";
  ssize_t written = write(STDOUT_FILENO, text, sizeof text - 1);
  (void)written;
}

}  // namespace

TerminalRunGuard::~TerminalRunGuard() {
  if (lock_ >= 0) {
    close(lock_);
  }
}

// Read-only and readable by all: a second user sharing the writers' folder can
// open the file and is refused by the lock like the same user. No symlink is
// followed. Without the folder there is no writer to guard.
bool TerminalRunGuard::Begin() {
  lock_ = open(lockPath_.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (lock_ < 0 && errno != ENOENT) {
    std::fprintf(stderr, "solvane-update: cannot open the run lock %s: %s\n", lockPath_.c_str(),
                 std::strerror(errno));
    return false;
  }
  if (lock_ >= 0 && flock(lock_, LOCK_EX | LOCK_NB) != 0) {
    int error = errno;
    close(lock_);
    lock_ = -1;
    if (error != EWOULDBLOCK) {
      std::fprintf(stderr, "solvane-update: cannot lock the run lock %s: %s\n", lockPath_.c_str(),
                   std::strerror(error));
    }
    return false;
  }
  HoldSignals();
  return true;
}

void TerminalRunGuard::End() {
  ReleaseSignals();
  if (lock_ >= 0) {
    close(lock_);
    lock_ = -1;
  }
}

bool TerminalRunGuard::QuitRequested() {
  return quitRequested != 0;
}

// No SA_RESTART: a box waiting for its answer ends as at the end of the input.
void TerminalRunGuard::HoldSignals() {
  struct sigaction held = {};
  held.sa_handler = &OnSignalDuringRun;
  sigfillset(&held.sa_mask);
  for (int i = 0; i < 3; ++i) {
    sigaction(kHeldSignals[i], &held, &previous_[i]);
  }
}

void TerminalRunGuard::ReleaseSignals() {
  for (int i = 0; i < 3; ++i) {
    sigaction(kHeldSignals[i], quitRequested ? nullptr : &previous_[i], nullptr);
  }
}

}  // namespace solvane
