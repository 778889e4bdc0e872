#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "log/log_storage.h"
#include "platform/system_clock.h"

namespace solvane {

// The update log and the status area: four operations of the main dialog,
// which derives from this class; the dialog's window shows the status text.
class CUpdateLog {
 public:
  // Every header line names the program: `applicationName` and its `buildString`.
  CUpdateLog(LogStorage& logStorage,
             const SystemClock& clock,
             std::string applicationName,
             std::string buildString);
  virtual ~CUpdateLog();

  CUpdateLog(const CUpdateLog&) = delete;
  CUpdateLog& operator=(const CUpdateLog&) = delete;

  void OpenLog();
  void LogLine(std::string_view text);
  void CloseLog();
  void SetStatusText(std::string_view text);

  bool logOpen() const { return logOpen_; }

 protected:
  // The window's part of SetStatusText: the status area shows `text`.
  virtual void ShowStatusText(std::string_view text) = 0;

  bool logOpen_ = false;

 private:
  std::string DateText() const;
  void WriteLog(std::string_view line);

  LogStorage& logStorage_;
  const SystemClock& clock_;
  // What every header line names.
  const std::string applicationName_;
  const std::string buildString_;
  std::unique_ptr<LogFile> logFile_;
};

}  // namespace solvane
