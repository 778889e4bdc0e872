#include "device/win32/file_device_handle.h"

namespace solvane {

FileDeviceHandle::~FileDeviceHandle() {
  if (handle_ != INVALID_HANDLE_VALUE) {
    api_.CloseHandle(handle_);
  }
}

// Windows wants a byte count for every synchronous WriteFile, ReadFile and
// DeviceIoControl, even where the caller has no use for it.
uint32_t FileDeviceHandle::Write(const uint8_t* data, uint32_t size, uint32_t& written) {
  DWORD count = 0;
  BOOL done = api_.WriteFile(handle_, data, size, &count, nullptr);
  written = done ? count : 0;
  return done ? ERROR_SUCCESS : api_.GetLastError();
}

uint32_t FileDeviceHandle::Read(uint8_t* buffer, uint32_t capacity, uint32_t& read) {
  DWORD count = 0;
  BOOL done = api_.ReadFile(handle_, buffer, capacity, &count, nullptr);
  read = done ? count : 0;
  return done ? ERROR_SUCCESS : api_.GetLastError();
}

uint32_t FileDeviceHandle::Control(uint32_t controlCode) {
  DWORD returned = 0;
  if (!api_.DeviceIoControl(handle_, controlCode, nullptr, 0, nullptr, 0, &returned, nullptr)) {
    return api_.GetLastError();
  }
  return ERROR_SUCCESS;
}

uint32_t FileDeviceHandle::Close() {
  if (handle_ == INVALID_HANDLE_VALUE) {
    return ERROR_INVALID_HANDLE;
  }
  BOOL closed = api_.CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
  return closed ? ERROR_SUCCESS : api_.GetLastError();
}

}  // namespace solvane
