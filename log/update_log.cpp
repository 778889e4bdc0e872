// The update log and the status area of the main dialog.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <utility>

#include "log/update_log.h"

namespace solvane {

namespace {

constexpr std::string_view kLogFileName = "RORivevi.log";
// Windows cannot open a path this long; the log stays closed on every platform.
constexpr size_t kMaxPathLength = 260;
constexpr size_t kLogLineBuffer = 520;

}  // namespace

CUpdateLog::CUpdateLog(LogStorage& logStorage,
                       const SystemClock& clock,
                       std::string applicationName,
                       std::string buildString)
    : logStorage_(logStorage),
      clock_(clock),
      applicationName_(std::move(applicationName)),
      buildString_(std::move(buildString)) {}

CUpdateLog::~CUpdateLog() = default;

std::string CUpdateLog::DateText() const {
  std::tm local = clock_.LocalTime(clock_.Now());
  char text[64];
  size_t length = std::strftime(text, sizeof(text), "%B %d, %Y  %H:%M:%S", &local);
  return std::string(text, length);
}

void CUpdateLog::WriteLog(std::string_view line) {
  // A log that cannot be written (a full disk, a removed drive) must not stop
  // or fail the update: it is closed, and the run goes on without it.
  if (!logFile_->Write(line) || !logFile_->Flush()) {
    logFile_.reset();
    logOpen_ = false;
  }
}

void CUpdateLog::OpenLog() {
  std::optional<std::string> folder = logStorage_.DocumentsFolder();
  if (!folder) {
    return;
  }
  std::string path = logStorage_.Join(*folder, kLogFileName);
  if (path.size() >= kMaxPathLength) {
    return;
  }
  logFile_ = logStorage_.OpenUnshared(path);
  if (!logFile_) {
    return;
  }
  logOpen_ = true;
  char header[kLogLineBuffer];
  int length = std::snprintf(header, sizeof(header), "%s - %s: Build: %s\n", DateText().c_str(),
                             applicationName_.c_str(), buildString_.c_str());
  WriteLog(std::string_view(header, std::min<size_t>(length, sizeof(header) - 1)));
}

void CUpdateLog::LogLine(std::string_view text) {
  if (!logOpen_) {
    return;
  }
  std::string line = DateText();
  line += " - ";
  line += text;
  line += '\n';
  WriteLog(line);
}

void CUpdateLog::CloseLog() {
  if (logOpen_) {
    char closing[kLogLineBuffer];
    int length = std::snprintf(closing, sizeof(closing), "%s - Exiting\n", DateText().c_str());
    logFile_->Write(std::string_view(closing, std::min<size_t>(length, sizeof(closing) - 1)));
    logFile_.reset();
  }
  logOpen_ = false;
}

void CUpdateLog::SetStatusText(std::string_view text) {
  ShowStatusText(text);
}

}  // namespace solvane
