#include "device/posix/socket_device_access.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <semaphore>
#include <thread>

#include "device/kite_usb.h"
#include "device/posix/device_folder.h"
#include "device/request_codes.h"
#include "device/windows_errors.h"
#include "tests/device/fake_writer.h"

namespace solvane::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Socket paths must fit sockaddr_un, so the device folder lives in a short
// temporary folder rather than under the build tree.
class SocketDeviceAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char base[] = "/tmp/solvane-dev-XXXXXX";
    ASSERT_NE(mkdtemp(base), nullptr);
    base_ = base;
    setenv("SOLVANE_DEVICE_DIR", base, 1);
    folder_ = DeviceFolder(kWriterInterfaceClassText);
  }
  void TearDown() override {
    for (int fd : listeners_) {
      close(fd);
    }
    unsetenv("SOLVANE_DEVICE_DIR");
    fs::remove_all(base_);
  }

  // A listening writer socket named `name` in the device folder.
  int Listen(const std::string& name) {
    fs::create_directories(folder_);
    std::string path = folder_ + "/" + name;
    int fd = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
    EXPECT_EQ(listen(fd, 4), 0);
    listeners_.push_back(fd);
    return fd;
  }

  std::unique_ptr<DeviceHandle> OpenFirst(SocketDeviceAccess& access) {
    std::string path;
    std::unique_ptr<DeviceHandle> handle;
    EXPECT_EQ(access.EnumerateInterface(kWriterInterfaceClass, 0, path), 0u);
    EXPECT_EQ(access.Open(path, handle), 0u);
    return handle;
  }

  std::string base_;
  std::string folder_;
  std::vector<int> listeners_;
};

TEST_F(SocketDeviceAccessTest, EnumeratesTheWriterSocketsInNameOrder) {
  Listen("writer-b");
  Listen("writer-a");
  Listen("writer-c");
  std::ofstream(folder_ + "/0-not-a-socket") << "x";
  SocketDeviceAccess access;
  std::string path;
  std::vector<std::string> found;
  for (uint32_t i = 0; access.EnumerateInterface(kWriterInterfaceClass, i, path) == 0; ++i) {
    found.push_back(path);
  }
  EXPECT_EQ(found, (std::vector<std::string>{folder_ + "/writer-a", folder_ + "/writer-b",
                                             folder_ + "/writer-c"}));
  EXPECT_EQ(access.EnumerateInterface(kWriterInterfaceClass, 3, path), kErrorNoMoreItems);
}

TEST_F(SocketDeviceAccessTest, NoWriterIsNoMoreItems) {
  SocketDeviceAccess access;
  std::string path;
  EXPECT_EQ(access.EnumerateInterface(kWriterInterfaceClass, 0, path), kErrorNoMoreItems);

  fs::create_directories(folder_);
  EXPECT_EQ(access.EnumerateInterface(kWriterInterfaceClass, 0, path), kErrorNoMoreItems);

  VirtualClock clock;
  RecordingMessageBoxes boxes;
  CKiteUsb link(access, clock, boxes);
  EXPECT_EQ(link.Open(), kErrorNoMoreItems);
  EXPECT_FALSE(link.IsOpen());
}

TEST_F(SocketDeviceAccessTest, OpenMapsConnectFailuresToWindowsErrors) {
  SocketDeviceAccess access;
  std::unique_ptr<DeviceHandle> handle;
  EXPECT_EQ(access.Open(folder_ + "/missing", handle), kErrorFileNotFound);

  close(Listen("gone"));
  listeners_.pop_back();
  EXPECT_EQ(access.Open(folder_ + "/gone", handle), kErrorDeviceNotConnected);
  EXPECT_EQ(handle, nullptr);
}

TEST_F(SocketDeviceAccessTest, LinkExchangesOnePacketPerWriteAndRead) {
  int listener = Listen("writer");
  size_t requestSize = 0;
  uint16_t requestCode = 0;
  std::thread writer([&] {
    int peer = accept(listener, nullptr, nullptr);
    uint8_t request[kMaxPacket];
    ssize_t got = recv(peer, request, sizeof request, 0);
    requestSize = got > 0 ? static_cast<size_t>(got) : 0;
    requestCode = DecodePacketHeader(request).code;
    Bytes reply = Packet(kIdentify, 8, {20, 0x01020300, 0, 35675}, Pairs({{0, 12}}));
    send(peer, reply.data(), reply.size(), 0);
    recv(peer, request, sizeof request, 0);  // until the link closes
    close(peer);
  });
  SocketDeviceAccess access;
  VirtualClock clock;
  RecordingMessageBoxes boxes;
  {
    CKiteUsb link(access, clock, boxes);
    ASSERT_EQ(link.Open(), 0u);
    EXPECT_EQ(link.Identify(), 0u);
    EXPECT_EQ(link.machineType(), 20u);
    EXPECT_EQ(link.sensorBoardBuild(), 12u);
    EXPECT_EQ(link.Close(), 0u);
  }
  writer.join();
  EXPECT_EQ(requestSize, 32u);
  EXPECT_EQ(requestCode, kIdentify);
}

TEST_F(SocketDeviceAccessTest, SilentWriterTimesOutAsNoReply) {
  int listener = Listen("writer");
  SocketDeviceAccess access(20ms);
  std::unique_ptr<DeviceHandle> handle = OpenFirst(access);
  ASSERT_NE(handle, nullptr);
  int peer = accept(listener, nullptr, nullptr);
  uint8_t buffer[64];
  uint32_t read = 99;
  EXPECT_EQ(handle->Read(buffer, sizeof buffer, read), kErrorSemTimeout);
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(handle->Control(1), 0u);
  close(peer);
}

// A writer that answers clock requests with the time it was sent in param0, on
// the connection each request came in on, and answers two of them late: time 1
// once the link has given up on it and before the next request goes out, time
// 3 just before it answers time 4.
void ServeLateClockReplies(int listener,
                           std::binary_semaphore& linkGaveUp,
                           std::binary_semaphore& lateReplySent) {
  auto answer = [](int fd, uint32_t time) {
    Bytes reply = Packet(kExchangeClock, 0, {time}, {});
    send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
  };
  std::vector<pollfd> fds{{listener, POLLIN, 0}};
  int heldConnection = -1;
  uint8_t request[kMaxPacket];
  while (poll(fds.data(), fds.size(), 5000) > 0) {
    if (fds[0].revents & POLLIN) {
      fds.push_back({accept(listener, nullptr, nullptr), POLLIN, 0});
    }
    for (size_t i = 1; i < fds.size(); ++i) {
      if (fds[i].revents == 0) {
        continue;
      }
      ssize_t got = recv(fds[i].fd, request, sizeof request, 0);
      if (got < static_cast<ssize_t>(kPacketHeaderSize)) {
        // The link dropped it: a late answer has nowhere to go, and the
        // number may come back for the next connection.
        heldConnection = fds[i].fd == heldConnection ? -1 : heldConnection;
        close(fds[i].fd);
        fds.erase(fds.begin() + static_cast<ptrdiff_t>(i--));
        continue;
      }
      uint32_t time = DecodePacketHeader(request).param[0];
      if (time == 1) {
        if (linkGaveUp.try_acquire_for(5s)) {
          answer(fds[i].fd, 1);
        }
        lateReplySent.release();
      } else if (time == 3) {
        heldConnection = fds[i].fd;
      } else {
        if (time == 4) {
          answer(heldConnection, 3);
        }
        answer(fds[i].fd, time);
        if (time == 5) {
          return;
        }
      }
    }
  }
}

TEST_F(SocketDeviceAccessTest, LateRepliesAreNeverTakenForLaterRequests) {
  int listener = Listen("writer");
  std::binary_semaphore linkGaveUp(0);
  std::binary_semaphore lateReplySent(0);
  std::thread writer(ServeLateClockReplies, listener, std::ref(linkGaveUp),
                     std::ref(lateReplySent));
  SocketDeviceAccess access(250ms);
  VirtualClock clock;
  RecordingMessageBoxes boxes;
  CKiteUsb link(access, clock, boxes);
  EXPECT_EQ(link.Open(), 0u);
  uint32_t writerTime = 0;
  EXPECT_EQ(link.ExchangeClock(1, 0, &writerTime), 111u);
  linkGaveUp.release();
  EXPECT_TRUE(lateReplySent.try_acquire_for(5s));
  // The late answer to time 1 is already there when time 2 is asked.
  EXPECT_EQ(link.ExchangeClock(2, 0, &writerTime), 0u);
  EXPECT_EQ(writerTime, 2u);
  EXPECT_EQ(link.ExchangeClock(3, 0, &writerTime), 111u);
  // The late answer to time 3 comes while time 4 waits for its own.
  for (uint32_t time : {4u, 5u}) {
    writerTime = 0;
    EXPECT_EQ(link.ExchangeClock(time, 0, &writerTime), 0u);
    EXPECT_EQ(writerTime, time);
  }
  link.Close();
  writer.join();
}

TEST_F(SocketDeviceAccessTest, AfterATimeoutTheNextWriteConnectsAfresh) {
  int listener = Listen("writer");
  SocketDeviceAccess access(20ms);
  std::unique_ptr<DeviceHandle> handle = OpenFirst(access);
  ASSERT_NE(handle, nullptr);
  int first = accept(listener, nullptr, nullptr);
  uint8_t buffer[64] = {};
  uint32_t count = 99;
  EXPECT_EQ(handle->Read(buffer, sizeof buffer, count), kErrorSemTimeout);
  EXPECT_EQ(recv(first, buffer, sizeof buffer, MSG_DONTWAIT), 0) << "the old connection stays";
  close(first);

  EXPECT_EQ(handle->Write(buffer, 32, count), 0u);
  EXPECT_EQ(count, 32u);
  int second = accept(listener, nullptr, nullptr);
  EXPECT_EQ(recv(second, buffer, sizeof buffer, MSG_DONTWAIT), 32);
  EXPECT_EQ(handle->Read(buffer, sizeof buffer, count), kErrorSemTimeout);
  close(second);

  // A writer gone by then fails the write, and the read does not wait for it.
  fs::remove(folder_ + "/writer");
  EXPECT_EQ(handle->Write(buffer, 32, count), kErrorFileNotFound);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(handle->Read(buffer, sizeof buffer, count), kErrorDeviceNotConnected);
  EXPECT_EQ(handle->Close(), 0u);
  EXPECT_EQ(handle->Close(), kErrorInvalidHandle);
}

TEST_F(SocketDeviceAccessTest, VanishedWriterGivesErrorsNotSignals) {
  int listener = Listen("writer");
  SocketDeviceAccess access(1s);
  std::unique_ptr<DeviceHandle> handle = OpenFirst(access);
  ASSERT_NE(handle, nullptr);
  close(accept(listener, nullptr, nullptr));

  uint8_t buffer[32] = {};
  uint32_t count = 99;
  EXPECT_NE(handle->Read(buffer, sizeof buffer, count), 0u);
  EXPECT_EQ(count, 0u);
  count = 99;
  EXPECT_EQ(handle->Write(buffer, sizeof buffer, count), kErrorBrokenPipe);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(handle->Close(), 0u);
}

}  // namespace
}  // namespace solvane::test
