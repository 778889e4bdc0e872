#include "app/posix/terminal_dialog_template.h"

#include "app/about_dlg.h"
#include "app/kite_update_dlg.h"

namespace solvane {

TerminalDialogTemplate FindTerminalTemplate(uint32_t templateId) {
  switch (templateId) {
    case kMainDialogTemplate:
      return {"Kite Update - Version x.xx",
              {{kGoButton, "&USB", true}, {kIdCancelCommand, "&Quit", false}},
              {{kStatusArea, ""}}};
    case kAboutDialogTemplate:
      return {"About KiteUpdate",
              {{kIdOkCommand, "OK", true}},
              {{kAboutVersionControl, "BraidUpdate Version x.xx"}}};
    default:
      return {"", {{kIdOkCommand, "OK", true}}, {}};
  }
}

}  // namespace solvane
