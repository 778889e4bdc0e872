#include "platform/win32/system_file_api.h"

#include <shlobj.h>

namespace solvane {

HANDLE SystemFileApi::CreateFileA(LPCSTR path,
                                  DWORD access,
                                  DWORD shareMode,
                                  LPSECURITY_ATTRIBUTES security,
                                  DWORD disposition,
                                  DWORD flagsAndAttributes,
                                  HANDLE templateFile) {
  return ::CreateFileA(path, access, shareMode, security, disposition, flagsAndAttributes,
                       templateFile);
}

BOOL SystemFileApi::WriteFile(HANDLE file,
                              LPCVOID buffer,
                              DWORD bytesToWrite,
                              LPDWORD bytesWritten,
                              LPOVERLAPPED overlapped) {
  return ::WriteFile(file, buffer, bytesToWrite, bytesWritten, overlapped);
}

BOOL SystemFileApi::ReadFile(HANDLE file,
                             LPVOID buffer,
                             DWORD bytesToRead,
                             LPDWORD bytesRead,
                             LPOVERLAPPED overlapped) {
  return ::ReadFile(file, buffer, bytesToRead, bytesRead, overlapped);
}

BOOL SystemFileApi::DeviceIoControl(HANDLE device,
                                    DWORD controlCode,
                                    LPVOID inBuffer,
                                    DWORD inSize,
                                    LPVOID outBuffer,
                                    DWORD outSize,
                                    LPDWORD bytesReturned,
                                    LPOVERLAPPED overlapped) {
  return ::DeviceIoControl(device, controlCode, inBuffer, inSize, outBuffer, outSize, bytesReturned,
                           overlapped);
}

BOOL SystemFileApi::FlushFileBuffers(HANDLE file) {
  return ::FlushFileBuffers(file);
}

BOOL SystemFileApi::SetFilePointerEx(HANDLE file,
                                     LARGE_INTEGER distance,
                                     PLARGE_INTEGER newPosition,
                                     DWORD moveMethod) {
  return ::SetFilePointerEx(file, distance, newPosition, moveMethod);
}

BOOL SystemFileApi::CloseHandle(HANDLE handle) {
  return ::CloseHandle(handle);
}

DWORD SystemFileApi::GetLastError() {
  return ::GetLastError();
}

BOOL SystemFileApi::SHGetSpecialFolderPathA(HWND owner, LPSTR path, int folder, BOOL create) {
  return ::SHGetSpecialFolderPathA(owner, path, folder, create);
}

}  // namespace solvane
