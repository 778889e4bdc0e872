#include "sim/posix/socket_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>

namespace solvane {

static_assert(SocketServer::kMaxPathLength + 1 == sizeof(sockaddr_un::sun_path));

SocketServer::SocketServer(SimWriter& writer,
                           std::string socketPath,
                           bool realTiming,
                           std::function<void()> afterRestart)
    : writer_(writer),
      socketPath_(std::move(socketPath)),
      realTiming_(realTiming),
      afterRestart_(std::move(afterRestart)) {
  if (pipe2(stopPipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
    stopPipe_[0] = stopPipe_[1] = -1;
  }
}

SocketServer::~SocketServer() {
  Unlisten();
  for (int fd : stopPipe_) {
    if (fd >= 0) {
      close(fd);
    }
  }
}

void SocketServer::Stop() {
  char byte = 1;
  [[maybe_unused]] ssize_t ignored = write(stopPipe_[1], &byte, 1);
}

bool SocketServer::Stopped() const {
  pollfd stop{stopPipe_[0], POLLIN, 0};
  return poll(&stop, 1, 0) > 0;
}

bool SocketServer::WaitReadable(int fd, int timeoutMs) {
  pollfd fds[2] = {{stopPipe_[0], POLLIN, 0}, {fd, POLLIN, 0}};
  while (true) {
    int ready = poll(fds, fd >= 0 ? 2 : 1, timeoutMs);
    if (ready < 0 && errno == EINTR) {
      continue;
    }
    return ready >= 0 && (fds[0].revents & POLLIN) == 0;
  }
}

namespace {

sockaddr_un AddressOf(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return address;
}

}  // namespace

// A socket file that takes connections belongs to a server that runs; one that
// refuses them was left behind by a server that ended without removing it.
bool SocketServer::InUse() const {
  int probe = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (probe < 0) {
    return false;
  }
  sockaddr_un address = AddressOf(socketPath_);
  bool taken = connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 ||
               errno == EAGAIN;
  close(probe);
  return taken;
}

bool SocketServer::Listen() {
  if (listenFd_ >= 0) {
    return true;
  }
  if (stopPipe_[0] < 0 || socketPath_.size() > kMaxPathLength || InUse()) {
    return false;
  }
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(socketPath_).parent_path(), ignored);
  unlink(socketPath_.c_str());
  int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  sockaddr_un address = AddressOf(socketPath_);
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    if (fd >= 0) {
      close(fd);
    }
    return false;
  }
  struct stat made {};
  stat(socketPath_.c_str(), &made);
  socketDevice_ = made.st_dev;
  socketInode_ = made.st_ino;
  listenFd_ = fd;
  if (listen(listenFd_, 4) != 0) {
    Unlisten();
    return false;
  }
  return true;
}

void SocketServer::Unlisten() {
  if (listenFd_ < 0) {
    return;
  }
  close(listenFd_);
  listenFd_ = -1;
  struct stat now {};
  if (lstat(socketPath_.c_str(), &now) == 0 && now.st_dev == socketDevice_ &&
      now.st_ino == socketInode_) {
    unlink(socketPath_.c_str());
  }
}

bool SocketServer::Run() {
  if (!Listen()) {
    return false;
  }
  while (WaitReadable(listenFd_, -1)) {
    int client = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) {
      continue;
    }
    Serve(client);
    close(client);
    if (!writer_.restartRequested()) {
      continue;
    }
    // The writer drops off the bus: its socket goes, and a new one comes back.
    Unlisten();
    std::optional<uint32_t> duration = writer_.RestartDurationMs();
    if (!WaitReadable(-1, duration ? static_cast<int>(*duration) : -1)) {
      return true;
    }
    writer_.CompleteRestart();
    if (afterRestart_) {
      afterRestart_();
    }
    if (!Listen()) {
      return false;
    }
  }
  Unlisten();
  return true;
}

void SocketServer::Serve(int client) {
  std::vector<uint8_t> request(kMaxPacket + 1);
  std::vector<uint8_t> reply;
  while (WaitReadable(client, -1)) {
    ssize_t received = recv(client, request.data(), request.size(), 0);
    if (received <= 0) {
      return;
    }
    bool answered = writer_.Handle({request.data(), static_cast<size_t>(received)}, reply);
    // Gone from the bus before the reset reply arrives: nobody reconnects to the old socket.
    if (writer_.restartRequested()) {
      Unlisten();
    }
    if (realTiming_ && writer_.lastBusyMs() > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(writer_.lastBusyMs()));
    }
    if (answered && send(client, reply.data(), reply.size(), MSG_NOSIGNAL) < 0) {
      return;
    }
    if (writer_.restartRequested()) {
      return;
    }
  }
}

}  // namespace solvane
