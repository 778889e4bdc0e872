#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/dialog/cdialog.h"
#include "app/updater_services.h"
#include "update/kite_update_engine.h"

namespace solvane {

inline constexpr uint32_t kMainDialogTemplate = 102;
inline constexpr uint32_t kGoButton = 1001;
inline constexpr uint32_t kStatusArea = 1002;
inline constexpr uint32_t kBannerControl = 1019;
inline constexpr uint32_t kAboutCommand = 16;
inline constexpr uint32_t kMainIcon = 128;

// The main dialog: the window of the program. The update run, the programming
// procedures and the update log are its operations through its base class
// (update/kite_update_engine.h), which holds the run's state; the dialog adds
// its controls, its texts and its boxes.
class CKiteUpdate100Dlg final : public CDialog, public CKiteUpdateEngine {
 public:
  explicit CKiteUpdate100Dlg(const UpdaterServices& services);
  ~CKiteUpdate100Dlg() override;

  bool OnInitDialog() override;
  bool OnCommand(uint32_t commandId) override;
  bool OnSysCommand(uint32_t commandId) override;
  // Both the dialog's and the run's: ends the dialog with the cancel result.
  void OnCancel() override;

  const std::string& introText() const override { return introText_; }
  const std::string& applicationName() const override { return applicationName_; }

 protected:
  void DoDataExchange() override;

 private:
  // MessageBoxes, for the link's own boxes and the run's.
  int Show(std::string_view text, std::string_view caption, uint32_t style) override;
  int ShowApplication(std::string_view text, uint32_t style) override;
  // The status area, control 1002.
  void ShowStatusText(std::string_view text) override;

  const StringResources& strings_;
  const ProductVersionReader& versionReader_;

  CStatic banner_;
  CButton goButton_;
  std::string introText_;
  std::string buildString_;
  std::string applicationName_;
};

}  // namespace solvane
