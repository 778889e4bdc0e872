#pragma once

#include "platform/win32/windows_api.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/sim_writer.h"
#include "sim/win32/device_presence.h"
#include "sim/writer_server.h"

namespace solvane {

// Serves a SimWriter on a named pipe in message mode, one request in and at
// most one whole reply out, each reply in a single write (the updater's handle
// reads in byte mode). Instances always listen, more than one, so a reconnect
// that comes before the server has taken the last one never meets a busy pipe. A restart takes the
// device interface away, lists it again while the writer starts, and links it to the pipe once the
// writer is back.
class PipeServer final : public WriterServer {
 public:
  // The pipe of writer `name`, as Win32 names it and as the object manager does.
  static std::string PipePath(const std::string& name);
  static std::wstring PipeNtPath(const std::string& name);
  // The event that stops the server of writer `name` when set.
  static std::string StopEventName(const std::string& name);

  PipeServer(SimWriter& writer,
             const std::string& name,
             std::string devicePath,
             bool realTiming,
             std::function<void()> afterRestart);
  ~PipeServer() override;

  PipeServer(const PipeServer&) = delete;
  PipeServer& operator=(const PipeServer&) = delete;

  bool Listen() override;
  bool Run() override;
  void Stop() override;
  std::string Where() const override;

 private:
  struct Instance;

  std::unique_ptr<Instance> NewInstance(bool first);
  // Adds listening instances until there are enough; false when one cannot be made.
  bool KeepListening();
  bool StartRead(Instance& client);
  // Reads what the client sent; false when it has gone.
  bool FinishRead(Instance& client, std::vector<uint8_t>& request);
  bool WriteReply(Instance& client, const std::vector<uint8_t>& reply);
  // Waits for `event` or for Stop; false on Stop.
  bool WaitFor(HANDLE event, DWORD timeoutMs);
  // The writer is away for its restart time; false on Stop or when it never comes back.
  bool Restart();
  void DropClients();

  SimWriter& writer_;
  std::string pipePath_;
  DevicePresence presence_;
  bool realTiming_;
  std::function<void()> afterRestart_;
  HANDLE stop_ = nullptr;
  std::vector<std::unique_ptr<Instance>> listening_;
  std::vector<std::unique_ptr<Instance>> clients_;
  bool claimed_ = false;  // the first instance, which claims the name, was made
  bool stopped_ = false;
};

}  // namespace solvane
