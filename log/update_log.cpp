// The update log and the status area of the main dialog.
#include <cstdio>
#include <ctime>
#include <string>

#include "app/kite_update_dlg.h"
#include "app/program_version.h"

namespace solvane {

namespace {

constexpr std::string_view kLogFileName = "RORivevi.log";
// Windows cannot open a path this long; the log stays closed on every platform.
constexpr size_t kMaxPathLength = 260;
constexpr size_t kLogLineBuffer = 520;

}  // namespace

std::string CKiteUpdate100Dlg::DateText() const {
  std::tm local = services_.clock.LocalTime(services_.clock.Now());
  char text[64];
  size_t length = std::strftime(text, sizeof(text), "%B %d, %Y  %H:%M:%S", &local);
  return std::string(text, length);
}

void CKiteUpdate100Dlg::WriteLog(std::string_view line) {
  // A log that cannot be written (a full disk, a removed drive) must not stop
  // or fail the update: it is closed, and the run goes on without it.
  if (!logFile_->Write(line) || !logFile_->Flush()) {
    logFile_.reset();
    logOpen_ = false;
  }
}

void CKiteUpdate100Dlg::OpenLog() {
  std::optional<std::string> folder = services_.logStorage.DocumentsFolder();
  if (!folder) {
    return;
  }
  std::string path = services_.logStorage.Join(*folder, kLogFileName);
  if (path.size() >= kMaxPathLength) {
    return;
  }
  logFile_ = services_.logStorage.OpenUnshared(path);
  if (!logFile_) {
    return;
  }
  logOpen_ = true;
  std::string applicationName = services_.strings.Load(kApplicationNameString);
  std::string build;
  FormatBuildString(services_.versionReader, build);
  char header[kLogLineBuffer];
  int length = std::snprintf(header, sizeof(header), "%s - %s: Build: %s\n", DateText().c_str(),
                             applicationName.c_str(), build.c_str());
  WriteLog(std::string_view(header, std::min<size_t>(length, sizeof(header) - 1)));
}

void CKiteUpdate100Dlg::LogLine(std::string_view text) {
  if (!logOpen_) {
    return;
  }
  std::string line = DateText();
  line += " - ";
  line += text;
  line += '\n';
  WriteLog(line);
}

void CKiteUpdate100Dlg::CloseLog() {
  if (logOpen_) {
    char closing[kLogLineBuffer];
    int length = std::snprintf(closing, sizeof(closing), "%s - Exiting\n", DateText().c_str());
    logFile_->Write(std::string_view(closing, std::min<size_t>(length, sizeof(closing) - 1)));
    logFile_.reset();
  }
  logOpen_ = false;
}

void CKiteUpdate100Dlg::SetStatusText(std::string_view text) {
  SetDlgItemText(kStatusArea, text);
}

}  // namespace solvane
