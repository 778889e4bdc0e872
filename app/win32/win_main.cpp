// SolvaneUpdate.exe. The program reads no command line but `/record FILE`.
#include "app/record_switch.h"
#include "app/win32/kite_update_app.h"

namespace {

solvane::CKiteUpdate100App theApp;

}  // namespace

extern "C" int WinMainCRTStartup();

// The exe's entry point, before the C runtime starts. Every DLL but kernel32
// and the C runtime is delay-loaded at its first call; from here on that load,
// and every DLL that Windows' own libraries load for us, is looked for in the
// system folder only, never in the folder the exe was downloaded to.
extern "C" int SolvaneUpdateStartup() {
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  return WinMainCRTStartup();
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  theApp.SetRecordFile(solvane::RecordSwitchFile(commandLine).value_or(""));
  return theApp.Run(instance);
}
