#include "app/posix/terminal_dialog_window.h"

#include <algorithm>
#include <cctype>

#include "platform/message_boxes.h"

namespace solvane {

namespace {

constexpr uint32_t kMbTypeMask = 0x0F;
constexpr uint32_t kMbDefaultButton2 = 0x100;

std::string LowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// "&Go!" is pressed by "g" or "go".
char KeyOf(const std::string& label) {
  size_t mark = label.find('&');
  if (mark == std::string::npos || mark + 1 >= label.size()) {
    return 0;
  }
  return static_cast<char>(std::tolower(static_cast<unsigned char>(label[mark + 1])));
}

std::string WordOf(const std::string& label) {
  std::string word;
  for (char c : label) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
  }
  return word;
}

// "&Go!" shows as "[G]o!".
std::string ShownLabel(const std::string& label) {
  size_t mark = label.find('&');
  if (mark == std::string::npos || mark + 1 >= label.size()) {
    return label;
  }
  return label.substr(0, mark) + "[" + label[mark + 1] + "]" + label.substr(mark + 2);
}

std::string PlainLabel(const std::string& label) {
  std::string plain = label;
  plain.erase(std::remove(plain.begin(), plain.end(), '&'), plain.end());
  return plain;
}

std::string Prompt(const std::vector<TerminalButton>& buttons) {
  std::string prompt;
  std::string defaultLabel;
  for (const TerminalButton& button : buttons) {
    prompt += ShownLabel(button.label) + "  ";
    if (button.isDefault) {
      defaultLabel = PlainLabel(button.label);
    }
  }
  if (!defaultLabel.empty()) {
    prompt += "(Enter: " + defaultLabel + ") ";
  }
  return prompt + "> ";
}

// The status area's texts begin with line feeds that centre them in the box;
// on a terminal they would only push the text down.
std::string_view Trimmed(std::string_view text) {
  size_t begin = text.find_first_not_of('\n');
  if (begin == std::string_view::npos) {
    return {};
  }
  return text.substr(begin, text.find_last_not_of('\n') + 1 - begin);
}

}  // namespace

TerminalDialogWindow::TerminalDialogWindow(std::istream& in, TerminalScreen& screen, bool echoInput)
    : in_(in), screen_(screen), echoInput_(echoInput) {}

int TerminalDialogWindow::Run(CDialog& dialog) {
  template_ = FindTerminalTemplate(dialog.templateId());
  shown_ = false;
  result_.reset();
  dialog.Attach(*this);
  dialog.OnInitDialog();
  // The window appears once its initialisation is done, as a dialog does.
  shown_ = true;
  PrintCaption();
  for (const auto& [controlId, text] : template_.texts) {
    PrintText(text);
  }
  while (!result_) {
    screen_.Print(Prompt(template_.buttons));
    std::optional<std::string> answer = ReadAnswer();
    if (!answer) {
      dialog.OnCommand(kIdCancelCommand);
      // Nothing can answer any more: the dialog ends even if it refuses.
      if (!result_) {
        result_ = kIdCancelCommand;
      }
    } else if (uint32_t command = CommandOf(*answer)) {
      dialog.OnCommand(command);
    }
  }
  dialog.Detach();
  return *result_;
}

uint32_t TerminalDialogWindow::CommandOf(const std::string& answer) const {
  for (const TerminalButton& button : template_.buttons) {
    if (answer.empty() ? button.isDefault
                       : (answer.size() == 1 && answer[0] == KeyOf(button.label)) ||
                             answer == WordOf(button.label)) {
      return button.commandId;
    }
  }
  return 0;
}

std::optional<std::string> TerminalDialogWindow::ReadAnswer() {
  std::string line;
  if ((quitRequested_ && quitRequested_()) || !std::getline(in_, line)) {
    screen_.Print("\n");
    return std::nullopt;
  }
  if (echoInput_) {
    screen_.Print(line + "\n");
  }
  size_t begin = line.find_first_not_of(" \t\r");
  size_t end = line.find_last_not_of(" \t\r");
  return begin == std::string::npos ? std::string()
                                    : LowerCase(line.substr(begin, end + 1 - begin));
}

void TerminalDialogWindow::PrintCaption() {
  screen_.Print("\n=== " + template_.caption + " ===\n");
}

void TerminalDialogWindow::PrintText(std::string_view text) {
  std::string_view shown = Trimmed(text);
  if (!shown.empty()) {
    screen_.Print(std::string(shown) + "\n");
  }
}

void TerminalDialogWindow::SetItemText(uint32_t controlId, std::string_view text) {
  for (TerminalButton& button : template_.buttons) {
    if (button.commandId == controlId) {
      button.label = text;
      return;
    }
  }
  auto control = std::find_if(template_.texts.begin(), template_.texts.end(),
                              [&](const auto& entry) { return entry.first == controlId; });
  if (control == template_.texts.end()) {
    control = template_.texts.emplace(template_.texts.end(), controlId, "");
  } else if (control->second == text) {
    return;
  }
  control->second = text;
  if (shown_) {
    PrintText(text);
  }
}

void TerminalDialogWindow::SetCaption(std::string_view text) {
  template_.caption = text;
  if (shown_) {
    PrintCaption();
  }
}

int TerminalDialogWindow::MessageBox(std::string_view text,
                                     std::string_view caption,
                                     uint32_t style) {
  int answer = AskBox(text, caption, style);
  if (answerObserver_ != nullptr) {
    answerObserver_->Answered(text, caption, style, answer);
  }
  return answer;
}

int TerminalDialogWindow::AskBox(std::string_view text, std::string_view caption, uint32_t style) {
  bool yesNo = (style & kMbTypeMask) == kMbYesNo;
  screen_.Print("\n--- " + std::string(caption) + " ---\n" + std::string(text) + "\n");
  if (!yesNo) {
    screen_.Print("(Enter: OK) > ");
    ReadAnswer();
    return kIdOk;
  }
  int defaultAnswer = (style & kMbDefaultButton2) != 0 ? kIdNo : kIdYes;
  for (;;) {
    screen_.Print(defaultAnswer == kIdYes ? "[Y]es  [N]o  (Enter: Yes) > "
                                          : "[Y]es  [N]o  (Enter: No) > ");
    std::optional<std::string> answer = ReadAnswer();
    if (!answer || *answer == "n" || *answer == "no") {
      return kIdNo;
    }
    if (*answer == "y" || *answer == "yes") {
      return kIdYes;
    }
    if (answer->empty()) {
      return defaultAnswer;
    }
  }
}

bool TerminalDialogWindow::AppendSystemMenu(uint32_t, std::string_view) {
  return false;
}

void TerminalDialogWindow::SetIcon(uint32_t) {}

int TerminalDialogWindow::RunModal(CDialog& child) {
  TerminalDialogWindow childWindow(in_, screen_, echoInput_);
  return childWindow.Run(child);
}

void TerminalDialogWindow::EndDialog(int result) {
  result_ = result;
}

}  // namespace solvane
