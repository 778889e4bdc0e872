#pragma once

#include "platform/win32/windows_api.h"

namespace solvane {

// The Windows calls on files and folders that the device access and the update
// log make, with their Windows signatures, so tests can check the arguments and
// make any call fail.
class FileApi {
 public:
  virtual ~FileApi() = default;
  virtual HANDLE CreateFileA(LPCSTR path,
                             DWORD access,
                             DWORD shareMode,
                             LPSECURITY_ATTRIBUTES security,
                             DWORD disposition,
                             DWORD flagsAndAttributes,
                             HANDLE templateFile) = 0;
  virtual BOOL WriteFile(HANDLE file,
                         LPCVOID buffer,
                         DWORD bytesToWrite,
                         LPDWORD bytesWritten,
                         LPOVERLAPPED overlapped) = 0;
  virtual BOOL ReadFile(HANDLE file,
                        LPVOID buffer,
                        DWORD bytesToRead,
                        LPDWORD bytesRead,
                        LPOVERLAPPED overlapped) = 0;
  virtual BOOL DeviceIoControl(HANDLE device,
                               DWORD controlCode,
                               LPVOID inBuffer,
                               DWORD inSize,
                               LPVOID outBuffer,
                               DWORD outSize,
                               LPDWORD bytesReturned,
                               LPOVERLAPPED overlapped) = 0;
  virtual BOOL FlushFileBuffers(HANDLE file) = 0;
  virtual BOOL SetFilePointerEx(HANDLE file,
                                LARGE_INTEGER distance,
                                PLARGE_INTEGER newPosition,
                                DWORD moveMethod) = 0;
  virtual BOOL CloseHandle(HANDLE handle) = 0;
  virtual DWORD GetLastError() = 0;
  virtual BOOL SHGetSpecialFolderPathA(HWND owner, LPSTR path, int folder, BOOL create) = 0;
};

}  // namespace solvane
