#pragma once

#include <cstddef>

#include "platform/win32/windows_api.h"

#include <setupapi.h>

namespace solvane {

// The device setup calls that find the writer, with their Windows signatures,
// and the heap the detail record comes from, so tests can check the arguments
// and make any call fail.
class SetupApi {
 public:
  virtual ~SetupApi() = default;
  virtual HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid,
                                        PCSTR enumerator,
                                        HWND parent,
                                        DWORD flags) = 0;
  virtual BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set,
                                           PSP_DEVINFO_DATA deviceInfo,
                                           const GUID* interfaceClass,
                                           DWORD memberIndex,
                                           PSP_DEVICE_INTERFACE_DATA interfaceData) = 0;
  virtual BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO set,
                                                PSP_DEVICE_INTERFACE_DATA interfaceData,
                                                PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail,
                                                DWORD detailSize,
                                                PDWORD requiredSize,
                                                PSP_DEVINFO_DATA deviceInfo) = 0;
  virtual BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) = 0;
  virtual DWORD GetLastError() = 0;
  // Null when the memory cannot be had.
  virtual void* Allocate(size_t size) = 0;
  virtual void Free(void* block) = 0;
};

}  // namespace solvane
