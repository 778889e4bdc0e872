#include "device/posix/socket_device_access.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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
