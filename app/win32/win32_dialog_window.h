#pragma once

#include <string>

#include "app/dialog/cdialog.h"
#include "app/dialog/dialog_window.h"
#include "app/win32/command_target.h"
#include "platform/message_boxes.h"
#include "platform/win32/windows_api.h"
#include "platform/win32/windows_run_guard.h"

namespace solvane {

// Runs a CDialog modally in a Windows dialog made from its template: the
// initialisation, the commands and system commands go to the dialog, commands
// it leaves go to the application, a dialog appears centred, and a minimised
// window shows its icon. While a run is in progress it takes no commands, no
// help, no close and no system command but minimise and restore, and it asks
// the session not to end.
class Win32DialogWindow final : public DialogWindow {
 public:
  Win32DialogWindow(HINSTANCE resources, CDialog& dialog, CommandTarget* application = nullptr)
      : resources_(resources), dialog_(dialog), application_(application) {}

  Win32DialogWindow(const Win32DialogWindow&) = delete;
  Win32DialogWindow& operator=(const Win32DialogWindow&) = delete;

  // Shows the dialog, owned by `owner` (which is disabled meanwhile), until it
  // ends; the result it ended with, or -1 when the window could not be made.
  INT_PTR Run(HWND owner);
  // The window while the dialog runs, null before and after.
  HWND handle() const { return window_; }
  void SetRunGuard(WindowsRunGuard* runGuard) { runGuard_ = runGuard; }
  // Told every box's answer (a recorded run).
  void SetAnswerObserver(AnswerObserver* observer) { answerObserver_ = observer; }

  void SetItemText(uint32_t controlId, std::string_view text) override;
  void SetCaption(std::string_view text) override;
  int MessageBox(std::string_view text, std::string_view caption, uint32_t style) override;
  bool AppendSystemMenu(uint32_t commandId, std::string_view text) override;
  void SetIcon(uint32_t iconId) override;
  int RunModal(CDialog& child) override;
  void EndDialog(int result) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  // True for a message dropped because a run is in progress.
  bool DroppedDuringRun(UINT message, WPARAM wParam) const;
  // True for a close of the window while a device call hangs.
  bool ClosesAfterHang(UINT message, WPARAM wParam) const;
  INT_PTR Answer(LRESULT result);
  bool RouteCommand(uint32_t commandId);
  // Over the owner, or in the middle of the screen when there is none: a box
  // opens where the user is already looking, not where the system puts it.
  void Centre();
  bool PaintMinimised();

  HINSTANCE resources_;
  CDialog& dialog_;
  CommandTarget* application_;
  HWND window_ = nullptr;
  HICON icon_ = nullptr;
  WindowsRunGuard* runGuard_ = nullptr;
  AnswerObserver* answerObserver_ = nullptr;
  // True while a command is carried out: a run, or a box before it starts.
  bool routing_ = false;
};

}  // namespace solvane
