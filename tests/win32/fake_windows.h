#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "device/win32/setup_api.h"
#include "platform/waiter.h"
#include "platform/win32/file_api.h"

namespace solvane::test {

// The device setup, file and wait calls of one test, answered from the test's
// settings and written down in order in `journal`.
class FakeWindows final : public SetupApi, public FileApi, public Waiter {
 public:
  // What the calls answer.
  HDEVINFO classList = reinterpret_cast<HDEVINFO>(0x5E7);
  DWORD classListError = 0;
  DWORD enumerateError = 0;  // 0: the interface is there
  bool firstDetailSucceeds = false;
  DWORD firstDetailError = ERROR_INSUFFICIENT_BUFFER;
  std::string devicePath =
      "\\\\?\\usb#vid_1234&pid_0001#5&1&0#{202e68c5-5980-4a60-b761-77c4de9d5dbf}";
  DWORD detailError = 0;
  bool allocationFails = false;
  HANDLE device = reinterpret_cast<HANDLE>(0xD0);
  DWORD createError = 0;
  int failingWrites = 0;  // the first this many WriteFile calls fail
  DWORD writeError = ERROR_GEN_FAILURE;
  std::vector<uint8_t> reply;  // what ReadFile delivers
  bool closeFails = false;

  // What the calls were given.
  std::vector<std::string> journal;
  GUID classGuid{};
  GUID enumeratedGuid{};
  DWORD classFlags = 0;
  DWORD interfaceDataSize = 0;
  DWORD detailRecordSize = 0;
  DWORD detailBufferSize = 0;
  DWORD createAccess = 0, createShare = 0, createDisposition = 0, createAttributes = 0;
  std::string createdPath;
  DWORD readCapacity = 0;
  bool everyCountGiven = true;  // WriteFile, ReadFile, DeviceIoControl all had a byte count
  bool anyOverlapped = false;

  HDEVINFO SetupDiGetClassDevsA(const GUID* guid,
                                PCSTR enumerator,
                                HWND parent,
                                DWORD flags) override {
    Note("GetClassDevs", enumerator == nullptr && parent == nullptr);
    classGuid = *guid;
    classFlags = flags;
    lastError_ = classListError;
    return classListError ? INVALID_HANDLE_VALUE : classList;
  }
  BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set,
                                   PSP_DEVINFO_DATA deviceInfo,
                                   const GUID* guid,
                                   DWORD index,
                                   PSP_DEVICE_INTERFACE_DATA data) override {
    Note("EnumDeviceInterfaces " + std::to_string(index), set == classList && !deviceInfo);
    enumeratedGuid = *guid;
    interfaceDataSize = data->cbSize;
    lastError_ = enumerateError;
    return enumerateError == 0;
  }
  BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO set,
                                        PSP_DEVICE_INTERFACE_DATA,
                                        PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail,
                                        DWORD size,
                                        PDWORD required,
                                        PSP_DEVINFO_DATA deviceInfo) override {
    DWORD needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) +
                                      devicePath.size() + 1);
    if (detail == nullptr) {
      Note("GetDeviceInterfaceDetail without buffer", set == classList && size == 0 && !deviceInfo);
      if (required) {
        *required = needed;
      }
      lastError_ = firstDetailError;
      return firstDetailSucceeds;
    }
    Note("GetDeviceInterfaceDetail", set == classList && !deviceInfo);
    detailRecordSize = detail->cbSize;
    detailBufferSize = size;
    lastError_ = detailError;
    if (detailError || size < needed) {
      return FALSE;
    }
    std::memcpy(detail->DevicePath, devicePath.c_str(), devicePath.size() + 1);
    return TRUE;
  }
  BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) override {
    Note("DestroyDeviceInfoList", set == classList);
    return TRUE;
  }
  void* Allocate(size_t size) override {
    Note("Allocate " + std::to_string(size), true);
    return allocationFails ? nullptr : ::operator new(size);
  }
  void Free(void* block) override {
    Note("Free", block != nullptr);
    ::operator delete(block);
  }

  HANDLE CreateFileA(LPCSTR path,
                     DWORD access,
                     DWORD share,
                     LPSECURITY_ATTRIBUTES security,
                     DWORD disposition,
                     DWORD attributes,
                     HANDLE templateFile) override {
    Note("CreateFile", security == nullptr && templateFile == nullptr);
    createdPath = path;
    createAccess = access;
    createShare = share;
    createDisposition = disposition;
    createAttributes = attributes;
    lastError_ = createError;
    return createError ? INVALID_HANDLE_VALUE : device;
  }
  BOOL WriteFile(HANDLE file,
                 LPCVOID,
                 DWORD size,
                 LPDWORD written,
                 LPOVERLAPPED overlapped) override {
    Note("WriteFile " + std::to_string(size), file == device);
    Counts(written, overlapped);
    bool fails = failingWrites > 0;
    if (fails) {
      --failingWrites;
    }
    if (written) {
      *written = fails ? 0 : size;
    }
    lastError_ = fails ? writeError : 0;
    return !fails;
  }
  BOOL ReadFile(HANDLE file,
                LPVOID buffer,
                DWORD capacity,
                LPDWORD read,
                LPOVERLAPPED overlapped) override {
    Note("ReadFile", file == device);
    Counts(read, overlapped);
    readCapacity = capacity;
    std::memcpy(buffer, reply.data(), std::min<size_t>(reply.size(), capacity));
    if (read) {
      *read = static_cast<DWORD>(std::min<size_t>(reply.size(), capacity));
    }
    return TRUE;
  }
  BOOL DeviceIoControl(HANDLE file,
                       DWORD code,
                       LPVOID in,
                       DWORD inSize,
                       LPVOID out,
                       DWORD outSize,
                       LPDWORD returned,
                       LPOVERLAPPED overlapped) override {
    Note("DeviceIoControl " + std::to_string(code),
         file == device && !in && !inSize && !out && !outSize);
    Counts(returned, overlapped);
    return TRUE;
  }
  BOOL FlushFileBuffers(HANDLE) override { return TRUE; }
  BOOL SetFilePointerEx(HANDLE, LARGE_INTEGER, PLARGE_INTEGER, DWORD) override { return TRUE; }
  BOOL CloseHandle(HANDLE handle) override {
    Note("CloseHandle", handle == device);
    lastError_ = closeFails ? ERROR_INVALID_HANDLE : 0;
    return !closeFails;
  }
  DWORD GetLastError() override { return lastError_; }
  BOOL SHGetSpecialFolderPathA(HWND, LPSTR, int, BOOL) override { return FALSE; }

  void Wait(uint32_t milliseconds) override {
    journal.push_back("Wait " + std::to_string(milliseconds));
  }

 private:
  // Writes the call down, marked when its fixed arguments were not as Windows wants them.
  void Note(const std::string& call, bool argumentsAsExpected) {
    journal.push_back(argumentsAsExpected ? call : call + " (unexpected arguments)");
  }
  void Counts(LPDWORD count, LPOVERLAPPED overlapped) {
    everyCountGiven = everyCountGiven && count != nullptr;
    anyOverlapped = anyOverlapped || overlapped != nullptr;
  }

  DWORD lastError_ = 0;
};

}  // namespace solvane::test
