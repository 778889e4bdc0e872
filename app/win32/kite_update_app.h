#pragma once

#include "app/win32/cwinapp.h"
#include "platform/win32/taskbar_progress.h"

namespace solvane {

// SolvaneUpdate.exe: the main dialog with the Windows services, run modally.
class CKiteUpdate100App final : public CWinApp {
 public:
  bool InitInstance() override;
  // A command that ends with its progress bar broken off takes the bar away.
  void AfterCommand() override;

 private:
  TaskbarProgress* progress_ = nullptr;
};

}  // namespace solvane
