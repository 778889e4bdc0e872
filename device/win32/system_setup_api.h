#pragma once

#include "device/win32/setup_api.h"

namespace solvane {

// The device setup calls as Windows makes them; the process heap.
class SystemSetupApi final : public SetupApi {
 public:
  HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid,
                                PCSTR enumerator,
                                HWND parent,
                                DWORD flags) override;
  BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set,
                                   PSP_DEVINFO_DATA deviceInfo,
                                   const GUID* interfaceClass,
                                   DWORD memberIndex,
                                   PSP_DEVICE_INTERFACE_DATA interfaceData) override;
  BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO set,
                                        PSP_DEVICE_INTERFACE_DATA interfaceData,
                                        PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail,
                                        DWORD detailSize,
                                        PDWORD requiredSize,
                                        PSP_DEVINFO_DATA deviceInfo) override;
  BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) override;
  DWORD GetLastError() override;
  void* Allocate(size_t size) override;
  void Free(void* block) override;
};

}  // namespace solvane
