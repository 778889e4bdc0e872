#pragma once

#include <cstdint>
#include <string_view>

#include "app/dialog/dialog_window.h"

namespace solvane {

inline constexpr uint32_t kIdOkCommand = 1;
inline constexpr uint32_t kIdCancelCommand = 2;

// A control of a dialog, bound to its id by DoDataExchange.
class CDialogControl {
 public:
  void Bind(DialogWindow& window, uint32_t controlId) {
    window_ = &window;
    controlId_ = controlId;
  }
  void SetWindowText(std::string_view text) {
    if (window_) {
      window_->SetItemText(controlId_, text);
    }
  }
  uint32_t controlId() const { return controlId_; }

 private:
  DialogWindow* window_ = nullptr;
  uint32_t controlId_ = 0;
};

class CStatic : public CDialogControl {};
class CButton : public CDialogControl {};

// A modal dialog built on a template: the window calls OnInitDialog once it
// exists, then routes commands and system commands until EndDialog.
class CDialog {
 public:
  explicit CDialog(uint32_t templateId) : templateId_(templateId) {}
  virtual ~CDialog() = default;

  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  uint32_t templateId() const { return templateId_; }

  // Called by the window before OnInitDialog.
  void Attach(DialogWindow& window) { window_ = &window; }
  void Detach() { window_ = nullptr; }

  virtual bool OnInitDialog() {
    DoDataExchange();
    return true;
  }
  // The message map for commands: OK and cancel end the dialog; false lets the
  // window handle the command itself.
  virtual bool OnCommand(uint32_t commandId);
  // False for the window's default handling.
  virtual bool OnSysCommand(uint32_t) { return false; }
  virtual void OnOK() { EndDialog(kIdOkCommand); }
  virtual void OnCancel() { EndDialog(kIdCancelCommand); }

 protected:
  virtual void DoDataExchange() {}
  bool HasWindow() const { return window_ != nullptr; }
  DialogWindow& window() { return *window_; }
  void SetDlgItemText(uint32_t controlId, std::string_view text) {
    if (window_) {
      window_->SetItemText(controlId, text);
    }
  }
  void EndDialog(int result) {
    if (window_) {
      window_->EndDialog(result);
    }
  }

 private:
  uint32_t templateId_;
  DialogWindow* window_ = nullptr;
};

}  // namespace solvane
