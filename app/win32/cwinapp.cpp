#include "app/win32/cwinapp.h"

#include "app/string_resources.h"
#include "app/win32/module_string_resources.h"

namespace solvane {

int CWinApp::Run(HINSTANCE instance) {
  instance_ = instance;
  applicationName_ = ModuleStringResources(instance).Load(kApplicationNameString);
  // A dialog program has run whole when InitInstance returns, whatever it says.
  InitInstance();
  return 0;
}

bool CWinApp::OnCommand(uint32_t commandId) {
  if (commandId != kHelpCommand) {
    return false;
  }
  OnHelp();
  return true;
}

void CWinApp::OnHelp() {
  MessageBoxA(MainWindowHandle(), "Failed to launch help.", applicationName_.c_str(),
              MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace solvane
