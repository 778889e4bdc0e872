#pragma once

#include "platform/win32/file_api.h"

namespace solvane {

// The file calls as Windows makes them.
class SystemFileApi final : public FileApi {
 public:
  HANDLE CreateFileA(LPCSTR path,
                     DWORD access,
                     DWORD shareMode,
                     LPSECURITY_ATTRIBUTES security,
                     DWORD disposition,
                     DWORD flagsAndAttributes,
                     HANDLE templateFile) override;
  BOOL WriteFile(HANDLE file,
                 LPCVOID buffer,
                 DWORD bytesToWrite,
                 LPDWORD bytesWritten,
                 LPOVERLAPPED overlapped) override;
  BOOL ReadFile(HANDLE file,
                LPVOID buffer,
                DWORD bytesToRead,
                LPDWORD bytesRead,
                LPOVERLAPPED overlapped) override;
  BOOL DeviceIoControl(HANDLE device,
                       DWORD controlCode,
                       LPVOID inBuffer,
                       DWORD inSize,
                       LPVOID outBuffer,
                       DWORD outSize,
                       LPDWORD bytesReturned,
                       LPOVERLAPPED overlapped) override;
  BOOL FlushFileBuffers(HANDLE file) override;
  BOOL SetFilePointerEx(HANDLE file,
                        LARGE_INTEGER distance,
                        PLARGE_INTEGER newPosition,
                        DWORD moveMethod) override;
  BOOL CloseHandle(HANDLE handle) override;
  DWORD GetLastError() override;
  BOOL SHGetSpecialFolderPathA(HWND owner, LPSTR path, int folder, BOOL create) override;
};

}  // namespace solvane
