#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "sim/sim_writer.h"
#include "sim/writer_server.h"

namespace solvane {

// Serves a SimWriter over a Unix-domain SOCK_SEQPACKET socket, one packet in and
// at most one reply out. On a restart it removes its socket, stays away for the
// writer's restart time and listens again on a new socket. It never takes over
// a socket another server listens on, and removes only its own.
class SocketServer final : public WriterServer {
 public:
  // The longest socket path a Unix-domain address holds, without its terminator.
  static constexpr size_t kMaxPathLength = 107;

  // `afterRestart` runs each time the writer has come back.
  SocketServer(SimWriter& writer,
               std::string socketPath,
               bool realTiming,
               std::function<void()> afterRestart = {});
  ~SocketServer() override;

  SocketServer(const SocketServer&) = delete;
  SocketServer& operator=(const SocketServer&) = delete;

  // Sets up the socket; false when it cannot, or when another server listens on the name.
  bool Listen() override;
  bool Run() override;
  void Stop() override;
  std::string Where() const override { return socketPath_; }

 private:
  void Unlisten();
  bool InUse() const;
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
  // The socket file this server made, so that it removes no other one.
  uint64_t socketDevice_ = 0;
  uint64_t socketInode_ = 0;
};

}  // namespace solvane
