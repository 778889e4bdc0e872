#pragma once

#include <cstdint>
#include <string_view>

namespace solvane {

class CDialog;

// The window a dialog runs in: a Windows dialog from its template, or the
// terminal's stand-in. A dialog reaches its controls, caption, boxes and system
// menu only through this.
class DialogWindow {
 public:
  virtual ~DialogWindow() = default;
  virtual void SetItemText(uint32_t controlId, std::string_view text) = 0;
  virtual void SetCaption(std::string_view text) = 0;
  // A modal message box owned by this window; returns the button pressed.
  virtual int MessageBox(std::string_view text, std::string_view caption, uint32_t style) = 0;
  // Appends a separator and a command to the system menu; false when the window
  // has no system menu.
  virtual bool AppendSystemMenu(uint32_t commandId, std::string_view text) = 0;
  // Uses icon resource `iconId` as the window's large and small icon.
  virtual void SetIcon(uint32_t iconId) = 0;
  // Runs `child` modally, owned by this window, which is disabled meanwhile.
  virtual int RunModal(CDialog& child) = 0;
  // Ends the modal loop of this window with `result` once the current handler returns.
  virtual void EndDialog(int result) = 0;
};

}  // namespace solvane
