#pragma once

#include <string>
#include <vector>

#include "app/dialog/cdialog.h"
#include "app/dialog/dialog_window.h"
#include "log/log_storage.h"
#include "platform/system_clock.h"
#include "tools/replay/replay_device_access.h"

namespace solvane {

// The PC's clock and time zone as the recorded run read them, in order.
class ReplayClock final : public SystemClock {
 public:
  explicit ReplayClock(ReplayScript& script) : script_(script) {}

  int64_t Now() const override;
  std::tm LocalTime(int64_t time) const override;
  TimeZoneBiases TimeZone() const override;

 private:
  ReplayScript& script_;
};

// The update log's storage: it opens when the recorded run's log opened, and
// each write must be the recorded one, byte for byte.
class ReplayLogStorage final : public LogStorage {
 public:
  explicit ReplayLogStorage(ReplayScript& script) : script_(script) {}

  // A folder only when the recorded run went on to open the log: the user's
  // own folder is not in a recording.
  std::optional<std::string> DocumentsFolder() const override;
  std::string Join(const std::string& folder, std::string_view fileName) const override {
    return folder + "/" + std::string(fileName);
  }
  std::unique_ptr<LogFile> OpenUnshared(const std::string& path) override;

 private:
  ReplayScript& script_;
};

// The dialog's window: each box answered as it was
// in the recorded run once it shows what was shown then.
class ReplayWindow final : public DialogWindow {
 public:
  explicit ReplayWindow(ReplayScript& script) : script_(script) {}

  void SetItemText(uint32_t /*controlId*/, std::string_view /*text*/) override {}
  void SetCaption(std::string_view /*text*/) override {}
  int MessageBox(std::string_view text, std::string_view caption, uint32_t style) override;
  bool AppendSystemMenu(uint32_t /*commandId*/, std::string_view /*text*/) override { return true; }
  void SetIcon(uint32_t /*iconId*/) override {}
  int RunModal(CDialog& /*child*/) override { return 0; }
  void EndDialog(int /*result*/) override { ended = true; }

  bool ended = false;

 private:
  ReplayScript& script_;
};

}  // namespace solvane
