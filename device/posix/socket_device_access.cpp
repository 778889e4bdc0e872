#include "device/posix/socket_device_access.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "device/posix/device_folder.h"
#include "device/windows_errors.h"

namespace solvane {

namespace {

// "{202E68C5-5980-4A60-B761-77C4DE9D5DBF}": the first three fields are stored
// little-endian, the last eight bytes as they are.
std::string InterfaceClassText(const InterfaceClassGuid& guid) {
  const uint8_t* b = guid.bytes;
  char text[39];
  std::snprintf(text, sizeof text,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3],
                b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                b[14], b[15]);
  return text;
}

// The callers speak Windows error codes whatever the platform.
uint32_t WindowsError(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
      return kErrorFileNotFound;
    case EACCES:
    case EPERM:
      return kErrorAccessDenied;
    case EBADF:
      return kErrorInvalidHandle;
    case ENOMEM:
    case ENOBUFS:
      return kErrorNotEnoughMemory;
    case EPIPE:
    case ECONNRESET:
      return kErrorBrokenPipe;
    case ECONNREFUSED:
    case ENOTCONN:
      return kErrorDeviceNotConnected;
    default:
      return kErrorGenFailure;
  }
}

// Connects to the writer socket at `devicePath`.
uint32_t Connect(const std::string& devicePath, int& fd) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (devicePath.size() >= sizeof address.sun_path) {
    return kErrorFileNotFound;
  }
  devicePath.copy(address.sun_path, devicePath.size());
  int socketFd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (socketFd < 0) {
    return WindowsError(errno);
  }
  if (connect(socketFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    int error = errno;
    close(socketFd);
    return WindowsError(error);
  }
  fd = socketFd;
  return kErrorSuccess;
}

class SocketDeviceHandle final : public DeviceHandle {
 public:
  SocketDeviceHandle(std::string devicePath, int fd, std::chrono::milliseconds readTimeout)
      : devicePath_(std::move(devicePath)),
        fd_(fd),
        timeoutMs_(static_cast<int>(
            std::clamp<std::chrono::milliseconds::rep>(readTimeout.count(), 0, INT_MAX))) {}
  ~SocketDeviceHandle() override { Close(); }

  uint32_t Write(const uint8_t* data, uint32_t size, uint32_t& written) override {
    written = 0;
    if (fd_ < 0) {
      if (closed_) {
        return kErrorInvalidHandle;
      }
      if (uint32_t error = Connect(devicePath_, fd_)) {
        return error;
      }
    }
    ssize_t sent;
    do {
      // MSG_NOSIGNAL: a writer that vanished must not raise SIGPIPE.
      sent = send(fd_, data, size, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0) {
      return WindowsError(errno);
    }
    written = static_cast<uint32_t>(sent);
    return kErrorSuccess;
  }

  uint32_t Read(uint8_t* buffer, uint32_t capacity, uint32_t& read) override {
    read = 0;
    if (fd_ < 0) {
      // No request went out on a connection since the last one was dropped.
      return closed_ ? kErrorInvalidHandle : kErrorDeviceNotConnected;
    }
    pollfd waiting{fd_, POLLIN, 0};
    int ready;
    do {
      ready = poll(&waiting, 1, timeoutMs_);
    } while (ready < 0 && errno == EINTR);
    if (ready == 0) {
      // The reply may still come at any moment, and nothing in it tells which
      // request it answers: kept, it would be read as the reply to the next
      // request, and every later request would read the one before it. So the
      // connection goes, and the next write makes a fresh one; a late reply is
      // lost with the old one. (Discarding what is queued before the next
      // request would still take a reply that is on its way.)
      DropConnection();
      return kErrorSemTimeout;
    }
    if (ready < 0) {
      return WindowsError(errno);
    }
    ssize_t got;
    do {
      got = recv(fd_, buffer, capacity, 0);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
      return WindowsError(errno);
    }
    if (got == 0) {
      return kErrorBrokenPipe;  // the writer closed its end
    }
    read = static_cast<uint32_t>(got);
    return kErrorSuccess;
  }

  // A socket has no pipe to reset; the link only needs the call to succeed.
  uint32_t Control(uint32_t) override { return kErrorSuccess; }

  uint32_t Close() override {
    if (closed_) {
      return kErrorInvalidHandle;
    }
    closed_ = true;
    return DropConnection();
  }

 private:
  uint32_t DropConnection() {
    if (fd_ < 0) {
      return kErrorSuccess;
    }
    int result = close(fd_);
    fd_ = -1;
    return result == 0 ? kErrorSuccess : WindowsError(errno);
  }

  std::string devicePath_;
  int fd_;
  int timeoutMs_;
  bool closed_ = false;
};

}  // namespace

SocketDeviceAccess::SocketDeviceAccess(std::chrono::milliseconds readTimeout)
    : readTimeout_(readTimeout) {}

uint32_t SocketDeviceAccess::EnumerateInterface(const InterfaceClassGuid& interfaceClass,
                                                uint32_t index,
                                                std::string& devicePath) {
  namespace fs = std::filesystem;
  fs::path folder = DeviceFolder(InterfaceClassText(interfaceClass));
  std::error_code error;
  std::vector<fs::path> sockets;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code statusError;
    if (fs::is_socket(it->status(statusError))) {
      sockets.push_back(it->path());
    }
  }
  if (index >= sockets.size()) {
    return kErrorNoMoreItems;
  }
  std::sort(sockets.begin(), sockets.end());
  devicePath = sockets[index].string();
  return kErrorSuccess;
}

uint32_t SocketDeviceAccess::Open(const std::string& devicePath,
                                  std::unique_ptr<DeviceHandle>& handle) {
  int fd = -1;
  if (uint32_t error = Connect(devicePath, fd)) {
    return error;
  }
  handle = std::make_unique<SocketDeviceHandle>(devicePath, fd, readTimeout_);
  return kErrorSuccess;
}

}  // namespace solvane
