#pragma once

#include <string>

#include "app/win32/cwinapp.h"

namespace solvane {

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
