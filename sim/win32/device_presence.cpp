#include "sim/win32/device_presence.h"

#include <setupapi.h>
#include <winternl.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "device/device_access.h"

namespace solvane {

namespace {

constexpr ACCESS_MASK kSymbolicLinkAllAccess = 0xF0001;

using NtCreateLinkFunction = NTSTATUS(NTAPI*)(HANDLE*,
                                              ACCESS_MASK,
                                              OBJECT_ATTRIBUTES*,
                                              UNICODE_STRING*);

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

std::wstring Widened(const std::string& text) {
  return std::wstring(text.begin(), text.end());
}

UNICODE_STRING Counted(std::wstring& text) {
  UNICODE_STRING counted;
  counted.Buffer = text.data();
  counted.Length = static_cast<USHORT>(text.size() * sizeof(wchar_t));
  counted.MaximumLength = counted.Length;
  return counted;
}

// The key the setup services keep an interface's state under: its device path
// with "\\?\" written "##?#".
std::string InterfaceKey(const std::string& devicePath) {
  return std::string("System\\CurrentControlSet\\Control\\DeviceClasses\\") +
         kWriterInterfaceClassText + "\\##?#" + devicePath.substr(4) + "\\#\\Control";
}

}  // namespace

GUID DevicePresence::InterfaceClass() {
  GUID guid;
  std::memcpy(&guid, kWriterInterfaceClass.bytes, sizeof(guid));
  return guid;
}

std::string DevicePresence::InstanceId(const std::string& name) {
  return "ROOT\\SOLVANE\\" + name;
}

std::string DevicePresence::FindDevicePath(const std::string& name) {
  GUID guid = InterfaceClass();
  // Every registered interface of the class, plugged in or not.
  HDEVINFO set = SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) {
    return "";
  }
  std::string found;
  SP_DEVICE_INTERFACE_DATA entry{};
  entry.cbSize = sizeof(entry);
  for (DWORD index = 0;
       found.empty() && SetupDiEnumDeviceInterfaces(set, nullptr, &guid, index, &entry); ++index) {
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailA(set, &entry, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
      continue;
    }
    std::vector<char> room(required);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(room.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    char instance[256] = {};
    if (SetupDiGetDeviceInterfaceDetailA(set, &entry, detail, required, nullptr, &device) &&
        SetupDiGetDeviceInstanceIdA(set, &device, instance, sizeof(instance), nullptr) &&
        SameText(instance, InstanceId(name))) {
      found = detail->DevicePath;
    }
  }
  SetupDiDestroyDeviceInfoList(set);
  return found;
}

DevicePresence::DevicePresence(std::string devicePath, std::wstring pipeNtPath)
    : devicePath_(std::move(devicePath)), pipeNtPath_(std::move(pipeNtPath)) {}

DevicePresence::~DevicePresence() {
  Withdraw();
}

void DevicePresence::Withdraw() {
  SetLinked(0);
  Unlink();
}

bool DevicePresence::List() {
  return SetLinked(1);
}

bool DevicePresence::Link() {
  if (link_ == nullptr) {
    auto create = reinterpret_cast<NtCreateLinkFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtCreateSymbolicLinkObject")));
    if (create == nullptr) {
      return false;
    }
    // "\\?\" names the same folder of links as "\??\".
    std::wstring name = L"\\??\\" + Widened(devicePath_.substr(4));
    UNICODE_STRING linkName = Counted(name);
    UNICODE_STRING target = Counted(pipeNtPath_);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &linkName, OBJ_CASE_INSENSITIVE, nullptr, nullptr);
    HANDLE link = nullptr;
    if (create(&link, kSymbolicLinkAllAccess, &attributes, &target) < 0) {
      return false;
    }
    link_ = link;
  }
  return List();
}

bool DevicePresence::SetLinked(DWORD linked) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, InterfaceKey(devicePath_).c_str(), 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  bool set = RegSetValueExA(key, "Linked", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&linked),
                            sizeof(linked)) == ERROR_SUCCESS;
  RegCloseKey(key);
  return set;
}

void DevicePresence::Unlink() {
  if (link_ != nullptr) {
    CloseHandle(link_);
    link_ = nullptr;
  }
}

}  // namespace solvane
