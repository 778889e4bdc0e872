#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "device/kite_usb.h"
#include "device/posix/device_folder.h"
#include "device/posix/socket_device_access.h"
#include "sim/posix/socket_server.h"
#include "sim/system_host_time.h"
#include "sim_test_support.h"
#include "tests/support/recording_message_boxes.h"
#include "tools/payload/payload_generator.h"

namespace solvane::sim_test {
namespace {

// Under /tmp, not the build tree: a socket path holds at most 107 bytes.
std::filesystem::path DeviceBase() {
  char pattern[] = "/tmp/solvane-sim-socket-XXXXXX";
  return mkdtemp(pattern) != nullptr ? pattern : "";
}

// Serves in a thread for the length of a scope, also when an assertion ends it.
class ServingThread {
 public:
  explicit ServingThread(SocketServer& server) : server_(server), thread_([&] { server_.Run(); }) {}
  ~ServingThread() { Join(); }
  void Join() {
    if (thread_.joinable()) {
      server_.Stop();
      thread_.join();
    }
  }

 private:
  SocketServer& server_;
  std::thread thread_;
};

// The link over the real socket transport to the socket server in a thread.
TEST(SimSocket, UpdateStepsOverTheSocketTransport) {
  std::filesystem::path base = DeviceBase();
  ASSERT_FALSE(base.empty());
  setenv("SOLVANE_DEVICE_DIR", base.c_str(), 1);
  std::string socketPath = DeviceFolder(kWriterInterfaceClassText) + "/writer0";

  SystemHostTime hostTime;
  SimWriter writer(DefaultWriterState(), hostTime);
  int restarts = 0;
  SocketServer server(writer, socketPath, false, [&] { ++restarts; });
  ServingThread serving(server);

  VirtualClock clock;
  RecordingMessageBoxes boxes;
  SocketDeviceAccess access;
  CKiteUsb link(access, clock, boxes);
  NoProgress progress;
  // The server thread may not be listening yet.
  for (int attempt = 0; attempt < 1000000 && link.Open() != 0; ++attempt) {
    std::this_thread::yield();
  }
  ASSERT_TRUE(link.IsOpen());
  ASSERT_EQ(link.Identify(), 0u);
  EXPECT_EQ(link.build(), 35000u);
  EXPECT_TRUE(link.ShowMessage("Programming Application Code"));

  std::vector<uint8_t> application = GenerateImage(169);
  link.SendImageCrc(Crc32Of(application.data(), application.size()));
  EXPECT_EQ(link.SendApplicationCode(application.data(), static_cast<uint32_t>(application.size()),
                                     19, progress),
            0u);
  ASSERT_TRUE(link.RequestReset(0));
  link.Close();
  // The writer comes back on a new socket.
  for (int attempt = 0; attempt < 1000000 && link.Open() != 0; ++attempt) {
    std::this_thread::yield();
  }
  ASSERT_TRUE(link.IsOpen());
  ASSERT_EQ(link.Identify(), 0u);
  EXPECT_EQ(link.versionWord(), 0x02000000u);
  EXPECT_EQ(link.build(), 35675u);
  link.Close();

  serving.Join();
  EXPECT_EQ(restarts, 1);
  EXPECT_EQ(writer.display().history().front(), "Programming Application Code");
  EXPECT_FALSE(std::filesystem::exists(socketPath));
  std::filesystem::remove_all(base);
}

}  // namespace
}  // namespace solvane::sim_test
