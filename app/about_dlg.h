#pragma once

#include <string>

#include "app/dialog/cdialog.h"

namespace solvane {

inline constexpr uint32_t kAboutDialogTemplate = 100;
inline constexpr uint32_t kAboutVersionControl = 1003;

// The About box: the program's name and build in control 1003.
class CAboutDlg final : public CDialog {
 public:
  CAboutDlg() : CDialog(kAboutDialogTemplate) {}

  void SetVersionText(std::string text) { versionText_ = std::move(text); }
  const std::string& versionText() const { return versionText_; }

  bool OnInitDialog() override {
    CDialog::OnInitDialog();
    versionControl_.SetWindowText(versionText_);
    return true;
  }

 protected:
  void DoDataExchange() override { versionControl_.Bind(window(), kAboutVersionControl); }

 private:
  CStatic versionControl_;
  std::string versionText_;
};

}  // namespace solvane
