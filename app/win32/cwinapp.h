#pragma once

#include <string>

#include "app/win32/command_target.h"
#include "app/win32/win32_dialog_window.h"

namespace solvane {

// The application object: one for the process. The program is its
// InitInstance; commands that no dialog takes come here.
class CWinApp : public CommandTarget {
 public:
  virtual ~CWinApp() = default;

  // The start of the program: returns its exit code.
  int Run(HINSTANCE instance);

  // The whole program of a dialog application; false ends it without a
  // message loop of its own.
  virtual bool InitInstance() = 0;

  // The standard Help command.
  bool OnCommand(uint32_t commandId) override;
  void AfterCommand() override {}

  HINSTANCE instance() const { return instance_; }
  const std::string& applicationName() const { return applicationName_; }
  void SetMainWindow(Win32DialogWindow* window) { mainWindow_ = window; }
  HWND MainWindowHandle() const { return mainWindow_ ? mainWindow_->handle() : nullptr; }

 protected:
  // The default help: the program ships no help file, so there is none to open.
  virtual void OnHelp();

 private:
  HINSTANCE instance_ = nullptr;
  std::string applicationName_;
  Win32DialogWindow* mainWindow_ = nullptr;
};

}  // namespace solvane
