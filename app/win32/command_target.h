#pragma once

#include <cstdint>

namespace solvane {

// The Help command, with the number Windows programs use for it (ID_HELP), which
// F1 gives as well.
inline constexpr uint32_t kHelpCommand = 57670;

// Where a dialog's window sends the commands its dialog leaves unhandled: the
// application object, so that commands of the whole program (Help) are handled
// in one place for every dialog.
class CommandTarget {
 public:
  virtual ~CommandTarget() = default;
  // False when the command is not the target's.
  virtual bool OnCommand(uint32_t commandId) = 0;
  // Called after every command a window has routed, once its handlers return.
  virtual void AfterCommand() = 0;
};

}  // namespace solvane
