#include "app/dialog/cdialog.h"

namespace solvane {

bool CDialog::OnCommand(uint32_t commandId) {
  switch (commandId) {
    case kIdOkCommand:
      OnOK();
      return true;
    case kIdCancelCommand:
      OnCancel();
      return true;
    default:
      return false;
  }
}

}  // namespace solvane
