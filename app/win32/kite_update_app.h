#pragma once

#include "app/win32/cwinapp.h"

namespace solvane {

// SolvaneUpdate.exe: the main dialog with the Windows services, run modally.
class CKiteUpdate100App final : public CWinApp {
 public:
  bool InitInstance() override;
};

}  // namespace solvane
