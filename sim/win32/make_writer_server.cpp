#include "sim/sim_options.h"
#include "sim/win32/device_presence.h"
#include "sim/win32/pipe_server.h"

namespace solvane {

std::unique_ptr<WriterServer> MakeWriterServer(SimWriter& writer,
                                               const std::string& name,
                                               bool realTiming,
                                               std::function<void()> afterRestart) {
  std::string devicePath = DevicePresence::FindDevicePath(name);
  if (devicePath.empty()) {
    throw InputError("no device interface of the writer class is registered for " +
                     DevicePresence::InstanceId(name));
  }
  return std::make_unique<PipeServer>(writer, name, std::move(devicePath), realTiming,
                                      std::move(afterRestart));
}

}  // namespace solvane
