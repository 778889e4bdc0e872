#include "app/kite_update_dlg.h"

#include <cstdio>

#include "app/about_dlg.h"
#include "app/program_version.h"
#include "package/catalogue.h"

namespace solvane {

namespace {

constexpr uint32_t kSystemCommandMask = 0xFFF0;

std::string BuildIntroText() {
  std::string text =
      "Connect Steno Machine via the USB cable\nand click \"Go!\" to update your machine "
      "software.\n\n";
  for (const CatalogueEntry& row : ReleaseList()) {
    if (row.modelName == nullptr || row.modelName[0] == '\0') {
      break;
    }
    if (row.applicationVersion == 0) {
      continue;
    }
    char line[512];
    unsigned beta = Beta(row.applicationVersion);
    if (beta == 0) {
      std::snprintf(line, sizeof(line), "%s - Build: %d\n", row.modelName,
                    static_cast<int>(row.applicationBuild));
    } else {
      std::snprintf(line, sizeof(line), "%s - Build: %d Beta %X\n", row.modelName,
                    static_cast<int>(row.applicationBuild), beta);
    }
    text += line;
  }
  return text;
}

std::string BuildStringOf(const ProductVersionReader& reader) {
  std::string build;
  FormatBuildString(reader, build);
  return build;
}

}  // namespace

CKiteUpdate100Dlg::CKiteUpdate100Dlg(const UpdaterServices& services)
    : CDialog(kMainDialogTemplate),
      CKiteUpdateEngine({services.devices, services.waiter, services.clock, services.logStorage,
                         services.resources, services.progress, services.runGuard},
                        services.strings.Load(kApplicationNameString),
                        BuildStringOf(services.versionReader)),
      strings_(services.strings),
      versionReader_(services.versionReader) {}

CKiteUpdate100Dlg::~CKiteUpdate100Dlg() = default;

void CKiteUpdate100Dlg::DoDataExchange() {
  banner_.Bind(window(), kBannerControl);
  goButton_.Bind(window(), kGoButton);
}

bool CKiteUpdate100Dlg::OnInitDialog() {
  CDialog::OnInitDialog();
  std::string aboutEntry = strings_.Load(kAboutMenuString);
  if (!aboutEntry.empty()) {
    window().AppendSystemMenu(kAboutCommand, aboutEntry);
  }
  window().SetIcon(kMainIcon);
  FormatBuildString(versionReader_, buildString_);
  applicationName_ = strings_.Load(kApplicationNameString);
  window().SetCaption(applicationName_ + " - Build:  " + buildString_);
  introText_ = BuildIntroText();
  goButton_.SetWindowText("&Go!");
  SetStatusText(introText_);
  logOpen_ = false;
  return true;
}

bool CKiteUpdate100Dlg::OnCommand(uint32_t commandId) {
  if (commandId == kGoButton) {
    RunUpdate();
    return true;
  }
  return CDialog::OnCommand(commandId);
}

void CKiteUpdate100Dlg::OnCancel() {
  CDialog::OnCancel();
}

bool CKiteUpdate100Dlg::OnSysCommand(uint32_t commandId) {
  if ((commandId & kSystemCommandMask) != kAboutCommand) {
    return false;
  }
  CAboutDlg about;
  std::string build;
  FormatBuildString(versionReader_, build);
  about.SetVersionText(applicationName_ + " Build:  " + build);
  window().RunModal(about);
  return true;
}

int CKiteUpdate100Dlg::Show(std::string_view text, std::string_view caption, uint32_t style) {
  return HasWindow() ? window().MessageBox(text, caption, style) : 0;
}

int CKiteUpdate100Dlg::ShowApplication(std::string_view text, uint32_t style) {
  return Show(text, applicationName_, style);
}

void CKiteUpdate100Dlg::ShowStatusText(std::string_view text) {
  SetDlgItemText(kStatusArea, text);
}

}  // namespace solvane
