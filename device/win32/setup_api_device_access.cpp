#include "device/win32/setup_api_device_access.h"

#include <cstddef>
#include <cstring>

#include "device/win32/file_device_handle.h"

namespace solvane {

namespace {

// The sizes the records have on the target: 28 and 5 on 32-bit Windows, 32 and
// 8 on 64-bit Windows. The setup services check cbSize against exactly these.
constexpr DWORD kInterfaceDataSize = sizeof(SP_DEVICE_INTERFACE_DATA);
constexpr DWORD kDetailFixedSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
static_assert(kInterfaceDataSize == (sizeof(void*) == 8 ? 32 : 28));
static_assert(kDetailFixedSize == (sizeof(void*) == 8 ? 8 : 5));

constexpr DWORD kPresentInterfaces = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;

}  // namespace

uint32_t SetupApiDeviceAccess::EnumerateInterface(const InterfaceClassGuid& interfaceClass,
                                                  uint32_t index,
                                                  std::string& devicePath) {
  static_assert(sizeof(GUID) == sizeof(interfaceClass.bytes));
  GUID guid;
  std::memcpy(&guid, interfaceClass.bytes, sizeof(guid));

  HDEVINFO set = setupApi_.SetupDiGetClassDevsA(&guid, nullptr, nullptr, kPresentInterfaces);
  if (set == INVALID_HANDLE_VALUE) {
    return setupApi_.GetLastError();
  }
  SP_DEVICE_INTERFACE_DATA interface {};
  interface.cbSize = kInterfaceDataSize;
  uint32_t error = ERROR_SUCCESS;
  if (!setupApi_.SetupDiEnumDeviceInterfaces(set, nullptr, &guid, index, &interface)) {
    error = setupApi_.GetLastError();
  } else {
    error = ReadDevicePath(set, interface, devicePath);
  }
  setupApi_.SetupDiDestroyDeviceInfoList(set);
  return error;
}

uint32_t SetupApiDeviceAccess::ReadDevicePath(HDEVINFO set,
                                              SP_DEVICE_INTERFACE_DATA& interface,
                                              std::string& devicePath) {
  DWORD required = 0;
  if (setupApi_.SetupDiGetDeviceInterfaceDetailA(set, &interface, nullptr, 0, &required, nullptr)) {
    return ERROR_INVALID_DATA;  // a record that needs no room has no path
  }
  if (DWORD error = setupApi_.GetLastError(); error != ERROR_INSUFFICIENT_BUFFER) {
    return error;
  }
  // A size that cannot hold the fixed part would have cbSize written past the end.
  if (required < kDetailFixedSize) {
    return ERROR_INVALID_DATA;
  }
  auto* detail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(setupApi_.Allocate(required));
  if (detail == nullptr) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  detail->cbSize = kDetailFixedSize;
  uint32_t error = ERROR_SUCCESS;
  if (setupApi_.SetupDiGetDeviceInterfaceDetailA(set, &interface, detail, required, nullptr,
                                                 nullptr)) {
    size_t room = required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
    devicePath.assign(detail->DevicePath, strnlen(detail->DevicePath, room));
  } else {
    error = setupApi_.GetLastError();
  }
  setupApi_.Free(detail);
  return error;
}

uint32_t SetupApiDeviceAccess::Open(const std::string& devicePath,
                                    std::unique_ptr<DeviceHandle>& handle) {
  HANDLE file = fileApi_.CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return fileApi_.GetLastError();
  }
  handle = std::make_unique<FileDeviceHandle>(fileApi_, file);
  return ERROR_SUCCESS;
}

}  // namespace solvane
