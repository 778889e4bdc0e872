#include "device/win32/system_setup_api.h"

namespace solvane {

HDEVINFO SystemSetupApi::SetupDiGetClassDevsA(const GUID* classGuid,
                                              PCSTR enumerator,
                                              HWND parent,
                                              DWORD flags) {
  return ::SetupDiGetClassDevsA(classGuid, enumerator, parent, flags);
}

BOOL SystemSetupApi::SetupDiEnumDeviceInterfaces(HDEVINFO set,
                                                 PSP_DEVINFO_DATA deviceInfo,
                                                 const GUID* interfaceClass,
                                                 DWORD memberIndex,
                                                 PSP_DEVICE_INTERFACE_DATA interfaceData) {
  return ::SetupDiEnumDeviceInterfaces(set, deviceInfo, interfaceClass, memberIndex, interfaceData);
}

BOOL SystemSetupApi::SetupDiGetDeviceInterfaceDetailA(HDEVINFO set,
                                                      PSP_DEVICE_INTERFACE_DATA interfaceData,
                                                      PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail,
                                                      DWORD detailSize,
                                                      PDWORD requiredSize,
                                                      PSP_DEVINFO_DATA deviceInfo) {
  return ::SetupDiGetDeviceInterfaceDetailA(set, interfaceData, detail, detailSize, requiredSize,
                                            deviceInfo);
}

BOOL SystemSetupApi::SetupDiDestroyDeviceInfoList(HDEVINFO set) {
  return ::SetupDiDestroyDeviceInfoList(set);
}

DWORD SystemSetupApi::GetLastError() {
  return ::GetLastError();
}

void* SystemSetupApi::Allocate(size_t size) {
  return HeapAlloc(GetProcessHeap(), 0, size);
}

void SystemSetupApi::Free(void* block) {
  HeapFree(GetProcessHeap(), 0, block);
}

}  // namespace solvane
