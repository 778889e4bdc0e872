#pragma once

#include <functional>
#include <istream>
#include <optional>
#include <string>

#include "app/dialog/cdialog.h"
#include "app/dialog/dialog_window.h"
#include "app/posix/terminal_dialog_template.h"
#include "app/posix/terminal_screen.h"
#include "platform/message_boxes.h"

namespace solvane {

// A dialog on a terminal: its caption, texts and boxes are printed, and its
// buttons and the boxes' answers are lines read from the input, only while the
// dialog or a box waits, so a script can answer ahead. At the end of the input
// every question is answered no, every box is closed and the dialog is cancelled.
class TerminalDialogWindow final : public DialogWindow {
 public:
  // `echoInput` prints each line read, for input that is not typed.
  TerminalDialogWindow(std::istream& in, TerminalScreen& screen, bool echoInput);

  // Once `quitRequested` says so, the input counts as ended.
  void SetQuitRequested(std::function<bool()> quitRequested) {
    quitRequested_ = std::move(quitRequested);
  }

  // Runs `dialog` modally until it ends; returns its result.
  int Run(CDialog& dialog);
  // Told every box's answer (a recorded run).
  void SetAnswerObserver(AnswerObserver* observer) { answerObserver_ = observer; }

  void SetItemText(uint32_t controlId, std::string_view text) override;
  void SetCaption(std::string_view text) override;
  int MessageBox(std::string_view text, std::string_view caption, uint32_t style) override;
  // A terminal has no system menu.
  bool AppendSystemMenu(uint32_t commandId, std::string_view text) override;
  void SetIcon(uint32_t iconId) override;
  int RunModal(CDialog& child) override;
  void EndDialog(int result) override;

 private:
  int AskBox(std::string_view text, std::string_view caption, uint32_t style);
  // The next line, trimmed and in lower case; nothing at the end of the input.
  std::optional<std::string> ReadAnswer();
  void PrintCaption();
  void PrintText(std::string_view text);
  // The command of the button that `answer` presses, 0 for none.
  uint32_t CommandOf(const std::string& answer) const;

  std::istream& in_;
  TerminalScreen& screen_;
  bool echoInput_;
  TerminalDialogTemplate template_;
  bool shown_ = false;
  std::optional<int> result_;
  std::function<bool()> quitRequested_;
  AnswerObserver* answerObserver_ = nullptr;
};

}  // namespace solvane
