// solvane-wine-device: puts a simulated writer where SolvaneUpdate.exe looks
// for one under wine, and checks that it can be reached there.
//
//   register NAME     registers a device interface of the writer class for the
//                     simulator serving NAME (not yet plugged in); prints its path
//   stop NAME         stops the simulator serving NAME, which saves its state
//   preflight NAME    the updater's path to that simulator, step by step: the
//                     enumeration, an open, a packet of the largest size each
//                     way, a restart
//
// Every step prints what it saw; a failure prints "FAILED:" and exits 1.
#include "platform/win32/windows_api.h"

#include <setupapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "device/device_access.h"
#include "device/kite_usb.h"
#include "device/packet_header.h"
#include "device/win32/setup_api_device_access.h"
#include "device/win32/system_setup_api.h"
#include "platform/message_boxes.h"
#include "platform/win32/sleep_waiter.h"
#include "platform/win32/system_file_api.h"
#include "sim/win32/device_presence.h"
#include "sim/win32/pipe_server.h"

namespace {

using namespace solvane;

constexpr uint32_t kNoMoreItems = 259;

int Failed(const std::string& what) {
  std::printf("FAILED: %s\n", what.c_str());
  std::fflush(stdout);
  return 1;
}

void Saw(const std::string& what) {
  std::printf("%s\n", what.c_str());
  std::fflush(stdout);
}

// Message boxes the link would show go to the output instead.
class PrintedMessageBoxes final : public MessageBoxes {
 public:
  int Show(std::string_view text, std::string_view caption, uint32_t /*style*/) override {
    Saw("box \"" + std::string(caption) + "\": " + std::string(text));
    return kIdOk;
  }
  int ShowApplication(std::string_view text, uint32_t style) override {
    return Show(text, "", style);
  }
};

int Register(const std::string& name) {
  GUID guid = DevicePresence::InterfaceClass();
  HDEVINFO set = SetupDiCreateDeviceInfoList(&guid, nullptr);
  if (set == INVALID_HANDLE_VALUE) {
    return Failed("SetupDiCreateDeviceInfoList: error " + std::to_string(GetLastError()));
  }
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  SP_DEVICE_INTERFACE_DATA entry{};
  entry.cbSize = sizeof(entry);
  std::string failed;
  if (!SetupDiCreateDeviceInfoA(set, DevicePresence::InstanceId(name).c_str(), &guid,
                                "Simulated writer", nullptr, 0, &device)) {
    failed = "SetupDiCreateDeviceInfoA";
  } else if (!SetupDiRegisterDeviceInfo(set, &device, 0, nullptr, nullptr, nullptr)) {
    failed = "SetupDiRegisterDeviceInfo";
  } else if (!SetupDiCreateDeviceInterfaceA(set, &device, &guid, nullptr, 0, &entry)) {
    failed = "SetupDiCreateDeviceInterfaceA";
  }
  DWORD error = GetLastError();
  SetupDiDestroyDeviceInfoList(set);
  if (!failed.empty()) {
    return Failed(failed + ": error " + std::to_string(error));
  }
  std::string path = DevicePresence::FindDevicePath(name);
  if (path.empty()) {
    return Failed("the entry registered for " + DevicePresence::InstanceId(name) +
                  " is not found again");
  }
  DevicePresence(path, L"").Withdraw();  // registered, not plugged in
  Saw(path);
  return 0;
}

int Stop(const std::string& name) {
  HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, PipeServer::StopEventName(name).c_str());
  if (event == nullptr) {
    return Failed("no simulated writer serves " + name);
  }
  SetEvent(event);
  CloseHandle(event);
  Saw("stop sent to " + name);
  return 0;
}

std::string WineVersion() {
  using Version = const char*(__cdecl*)();
  auto version = reinterpret_cast<Version>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")));
  return version != nullptr ? version() : "not wine";
}

// What the updater sees of the writer at one moment.
std::string Look(DeviceAccess& access) {
  std::string path;
  uint32_t listed = access.EnumerateInterface(kWriterInterfaceClass, 0, path);
  if (listed == kNoMoreItems) {
    return "not listed (259)";
  }
  if (listed != 0) {
    return "enumeration error " + std::to_string(listed);
  }
  std::unique_ptr<DeviceHandle> handle;
  if (uint32_t opened = access.Open(path, handle); opened != 0) {
    return "listed, open fails with " + std::to_string(opened);
  }
  handle->Close();
  return "listed and opens";
}

int Preflight(const std::string& name) {
  Saw("wine: " + WineVersion());
  SystemSetupApi setupApi;
  SystemFileApi fileApi;
  SetupApiDeviceAccess access(setupApi, fileApi);

  std::string path;
  uint32_t listed = access.EnumerateInterface(kWriterInterfaceClass, 0, path);
  Saw("enumeration: " + std::to_string(listed) + " " + path);
  if (listed != 0) {
    return Failed("the writer entry is not listed");
  }
  if (path != DevicePresence::FindDevicePath(name)) {
    return Failed("the entry listed is not the one registered for " + name);
  }
  std::string second;
  if (uint32_t next = access.EnumerateInterface(kWriterInterfaceClass, 1, second);
      next != kNoMoreItems) {
    return Failed("a second entry is listed: " + std::to_string(next) + " " + second);
  }
  std::unique_ptr<DeviceHandle> handle;
  uint32_t opened = access.Open(path, handle);
  Saw("open: " + std::to_string(opened));
  if (opened != 0) {
    return Failed("CreateFileA on the device path");
  }
  handle->Close();

  SleepWaiter waiter;
  PrintedMessageBoxes boxes;
  CKiteUsb link(access, waiter, boxes);
  if (uint32_t result = link.Open(); result != 0) {
    return Failed("the link does not open: " + std::to_string(result));
  }
  uint32_t identified = link.Identify();
  Saw("identify: " + std::to_string(identified) + ", type " + std::to_string(link.machineType()) +
      ", build " + std::to_string(link.build()));
  if (identified != 0) {
    return Failed("identification");
  }

  // The largest packet each way: a whole payload written into the WiFi
  // application partition and read back.
  uint32_t size = 0;
  uint32_t address = link.QueryPartition(8, &size);
  std::vector<uint8_t> sent(kMaxPayload);
  for (size_t i = 0; i < sent.size(); ++i) {
    sent[i] = static_cast<uint8_t>(i * 7 + i / 256);
  }
  std::vector<uint8_t> received(kMaxPayload);
  bool erased = size >= kMaxPayload && link.EraseFlash(address, 0x20000);
  bool written = erased && link.WriteFlash(sent.data(), address, kMaxPayload);
  bool read = written && link.ReadMemory(address, kMaxPayload, received.data());
  Saw("largest packets (" + std::to_string(kMaxPacket) + " bytes): erase " +
      std::to_string(erased) + ", write " + std::to_string(written) + ", read " +
      std::to_string(read) + ", same " + std::to_string(read && received == sent));
  if (!read || received != sent) {
    return Failed("a packet of the largest size does not go through whole");
  }

  // A restart: the interface goes, is listed before it opens, and comes back.
  bool reset = link.RequestReset(0);
  link.Close();
  Saw("reset reply: " + std::to_string(reset));
  if (!reset) {
    return Failed("no reply to the reset");
  }
  std::vector<std::string> seen;
  for (int look = 0; look < 200 && (seen.empty() || seen.back() != "listed and opens"); ++look) {
    std::string now = Look(access);
    if (seen.empty() || seen.back() != now) {
      seen.push_back(now);
      Saw("restart: " + now);
    }
    Sleep(50);
  }
  std::vector<std::string> expected = {"not listed (259)", "listed, open fails with 2",
                                       "listed and opens"};
  if (seen != expected) {
    return Failed("the restart did not go: not listed, listed but not openable, back");
  }
  if (link.Open() != 0 || link.Identify() != 0) {
    return Failed("the writer does not answer after its restart");
  }
  link.Close();
  Saw("preflight passed");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "register") == 0) {
    return Register(argv[2]);
  }
  if (argc == 3 && std::strcmp(argv[1], "stop") == 0) {
    return Stop(argv[2]);
  }
  if (argc == 3 && std::strcmp(argv[1], "preflight") == 0) {
    return Preflight(argv[2]);
  }
  std::fprintf(stderr, "usage: solvane-wine-device register|stop|preflight NAME\n");
  return 2;
}
