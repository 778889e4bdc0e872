// A stranger's version.dll, planted beside SolvaneUpdate.exe as in a Downloads
// folder. When any process loads it, it leaves "planted-dll-loaded" in its own
// folder, so the test sees the load even though the program runs on.
#include <windows.h>

#include <cstring>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) {
    return TRUE;
  }
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
  char* slash = std::strrchr(path, '\\');
  if (length == 0 || length >= MAX_PATH || slash == nullptr ||
      slash + sizeof "planted-dll-loaded" > path + MAX_PATH) {
    return TRUE;
  }
  std::strcpy(slash + 1, "planted-dll-loaded");
  HANDLE marker =
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE) {
    CloseHandle(marker);
  }
  // Refusing to load would make a program that needs the real version.dll
  // fail, which would hide the load; staying loaded shows it.
  return TRUE;
}
