#pragma once

#include <functional>
#include <string>

#include "sim/sim_writer.h"

namespace solvane {

// Serves a SimWriter over a Unix-domain SOCK_SEQPACKET socket, one packet in and
// at most one reply out. On a restart it removes its socket, stays away for the
// writer's restart time and listens again on a new socket.
class SocketServer {
 public:
  // `afterRestart` runs each time the writer has come back.
  SocketServer(SimWriter& writer,
               std::string socketPath,
               bool realTiming,
               std::function<void()> afterRestart = {});
  ~SocketServer();

  SocketServer(const SocketServer&) = delete;
  SocketServer& operator=(const SocketServer&) = delete;

  // Serves until Stop; false when the socket cannot be set up.
  bool Run();
  // Safe from another thread and from a signal handler.
  void Stop();

 private:
  bool Listen();
  void Unlisten();
  void Serve(int client);
  // Waits for `fd` to become readable or for Stop; false on Stop.
  bool WaitReadable(int fd, int timeoutMs);
  bool Stopped() const;

  SimWriter& writer_;
  std::string socketPath_;
  bool realTiming_;
  std::function<void()> afterRestart_;
  int stopPipe_[2] = {-1, -1};
  int listenFd_ = -1;
};

}  // namespace solvane
