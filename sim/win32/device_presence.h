#pragma once

#include "platform/win32/windows_api.h"

#include <string>

namespace solvane {

// The writer's device interface as the setup services show it to the updater:
// registered once for the writer's name (by the test setup), listed while its
// `Linked` flag is 1, and opened through an NT symbolic link from its device
// path to the simulator's pipe. The link lives as long as this object holds it.
class DevicePresence {
 public:
  // The writer interface class, as the setup services take it.
  static GUID InterfaceClass();
  // The instance the interface of writer `name` belongs to.
  static std::string InstanceId(const std::string& name);
  // The device path of the interface registered for writer `name`; empty when
  // none is.
  static std::string FindDevicePath(const std::string& name);

  DevicePresence(std::string devicePath, std::wstring pipeNtPath);
  ~DevicePresence();

  DevicePresence(const DevicePresence&) = delete;
  DevicePresence& operator=(const DevicePresence&) = delete;

  // Unplugged: not listed, and the path opens nothing.
  void Withdraw();
  // Plugged in but still starting: listed, and the path opens nothing yet.
  bool List();
  // Ready: listed, and the path opens the pipe.
  bool Link();

  const std::string& devicePath() const { return devicePath_; }

 private:
  bool SetLinked(DWORD linked);
  void Unlink();

  std::string devicePath_;
  std::wstring pipeNtPath_;
  HANDLE link_ = nullptr;
};

}  // namespace solvane
