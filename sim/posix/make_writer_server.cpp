#include "device/device_access.h"
#include "device/posix/device_folder.h"
#include "sim/posix/socket_server.h"
#include "sim/sim_options.h"

namespace solvane {

std::unique_ptr<WriterServer> MakeWriterServer(SimWriter& writer,
                                               const std::string& name,
                                               bool realTiming,
                                               std::function<void()> afterRestart) {
  std::string socketPath = DeviceFolder(kWriterInterfaceClassText) + "/" + name;
  if (socketPath.size() > SocketServer::kMaxPathLength) {
    throw InputError("socket path " + socketPath + " is " + std::to_string(socketPath.size()) +
                     " bytes, more than the " + std::to_string(SocketServer::kMaxPathLength) +
                     " a Unix socket takes; set SOLVANE_DEVICE_DIR to a shorter folder");
  }
  return std::make_unique<SocketServer>(writer, socketPath, realTiming, std::move(afterRestart));
}

}  // namespace solvane
