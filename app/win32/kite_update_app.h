#pragma once

#include <string>

#include "app/kite_update_dlg.h"
#include "app/win32/cwinapp.h"
#include "platform/win32/windows_run_guard.h"

namespace solvane {

// When closing the window ends the program after a hang, the log says so in a
// line of its own and gets its closing line, so support can tell a hang from
// a crash.
void LogHangBeforeProgramEnds(WindowsRunGuard& guard, CKiteUpdate100Dlg& dialog);

// SolvaneUpdate.exe: the main dialog with the Windows services, run modally.
class CKiteUpdate100App final : public CWinApp {
 public:
  bool InitInstance() override;
  // Records the run to `file` (`/record FILE`, for support); empty: no recording.
  void SetRecordFile(std::string file) { recordFile_ = std::move(file); }

 private:
  std::string recordFile_;
};

}  // namespace solvane
