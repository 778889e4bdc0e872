#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "device/kite_usb.h"
#include "device/posix/device_folder.h"
#include "device/posix/socket_device_access.h"
#include "package/crc32.h"
#include "sim/default_state.h"
#include "sim/posix/socket_server.h"
#include "sim/system_host_time.h"
#include "tests/support/recording_message_boxes.h"
#include "tests/support/virtual_clock.h"
#include "tools/payload/payload_generator.h"

namespace solvane {
namespace {

// The application image through the socket transport into the simulated writer.
void BM_ApplicationTransferOverSocket(benchmark::State& state) {
  std::filesystem::path base =
      std::filesystem::temp_directory_path() / ("solvane-bench-" + std::to_string(getpid()));
  setenv("SOLVANE_DEVICE_DIR", base.c_str(), 1);
  SystemHostTime hostTime;
  SimWriter writer(DefaultWriterState(), hostTime);
  SocketServer server(writer, DeviceFolder(kWriterInterfaceClassText) + "/writer0", false);
  std::thread serving([&] { server.Run(); });

  VirtualClock clock;  // the link's close wait costs no real time
  RecordingMessageBoxes boxes;
  SocketDeviceAccess access;
  CKiteUsb link(access, clock, boxes);
  NoProgress progress;
  while (link.Open() != 0) {
    std::this_thread::yield();
  }
  link.Identify();
  std::vector<uint8_t> image = GenerateImage(169);
  uint32_t length = static_cast<uint32_t>(image.size());
  uint32_t crc = Crc32Of(image.data(), image.size());
  for (auto _ : state) {
    link.SendImageCrc(crc);
    if (link.SendApplicationCode(image.data(), length, link.machineType(), progress) != 0) {
      state.SkipWithError("transfer refused");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * length);
  link.Close();
  server.Stop();
  serving.join();
  std::filesystem::remove_all(base);
}
BENCHMARK(BM_ApplicationTransferOverSocket)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace solvane
