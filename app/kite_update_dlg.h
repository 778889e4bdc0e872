#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/dialog/cdialog.h"
#include "app/updater_services.h"
#include "device/kite_usb.h"
#include "log/log_storage.h"
#include "package/catalogue.h"
#include "package/embedded_image.h"
#include "platform/message_boxes.h"

namespace solvane {

inline constexpr uint32_t kMainDialogTemplate = 102;
inline constexpr uint32_t kGoButton = 1001;
inline constexpr uint32_t kStatusArea = 1002;
inline constexpr uint32_t kBannerControl = 1019;
inline constexpr uint32_t kAboutCommand = 16;
inline constexpr uint32_t kMainIcon = 128;

// The main dialog. It owns everything an update run needs for the life of the
// program: the link to the writer, what the writer reported, the update log and
// the per-run flags. The update run and the programming procedures are its
// operations (update/), and so is the log (log/).
class CKiteUpdate100Dlg final : public CDialog, private MessageBoxes {
  // The members are grouped by the file that defines them.

  // ---- app/kite_update_dlg.h
 public:
  const std::string& introText() const { return introText_; }
  const std::string& applicationName() const { return applicationName_; }
  bool logOpen() const { return logOpen_; }
  CKiteUsb& usb() { return usb_; }

 private:
  const CatalogueEntry& Row() const { return CatalogueRow(usb_.machineType()); }
  const char* Model() const { return ModelName(usb_.machineType()); }

  // ---- app/kite_update_dlg.cpp: the dialog and its message boxes
 public:
  explicit CKiteUpdate100Dlg(const UpdaterServices& services);
  ~CKiteUpdate100Dlg() override;

  bool OnInitDialog() override;
  bool OnCommand(uint32_t commandId) override;
  bool OnSysCommand(uint32_t commandId) override;

 protected:
  void DoDataExchange() override;

 private:
  // MessageBoxes, for the link's own boxes and the run's.
  int Show(std::string_view text, std::string_view caption, uint32_t style) override;
  int ShowApplication(std::string_view text, uint32_t style) override;
  // An error box: caption "Error", stop icon, OK.
  void ShowError(std::string_view text);
  // Logs `text` and shows it in the error box.
  void ReportError(std::string_view text);

  // ---- log/update_log.cpp: the update log and the status area
 public:
  void OpenLog();
  void LogLine(std::string_view text);
  void CloseLog();
  void SetStatusText(std::string_view text);

 private:
  std::string DateText() const;
  void WriteLog(std::string_view line);

  // ---- update/run_update.cpp: the update run, the click of "&Go!"
 public:
  void RunUpdate();

 private:
  // Steps of the run up to the success message; false when the run stops.
  bool UpdateMachine();
  bool AcceptedMachineType() const;
  // For an accepted writer: the boot version words, and in boot mode the
  // catalogue's application version in place of the reported one.
  void FillMachineState();
  void ClearBootVersions();
  // Reads the boot version words from the writer; all 0 when that fails.
  void ReadBootVersionsOrClear();
  // Logs the "USB found" lines of the machine state.
  void LogMachineFound();
  // False when the writer runs newer code and the user declines.
  bool ConfirmDowngrade();

  // ---- update/restart_writer.cpp
 public:
  int RestartWriter();

  // ---- update/sync_machine_clock.cpp
 public:
  int SyncMachineClock();
  uint32_t PcLocalTime() const;

  // ---- update/image_check.cpp
 private:
  // Decodes and checks every image of the model that the run may send, one at
  // a time, keeping none; reports the first that fails and returns false.
  bool CheckSentImages();

  // ---- update/image_load_read_back_and_transfer_failure.cpp: what the
  // programming procedures share
 private:
  // Decodes image `id` of the catalogue; on failure reports it (logging the
  // out-of-memory text only when `logOutOfMemory`) and returns false.
  bool LoadImage(uint32_t id, uint32_t slack, bool logOutOfMemory, EmbeddedImage& image);
  // The out-of-memory text in the error box, and logged as well.
  void ShowOutOfMemory();
  void ReportOutOfMemory();
  // Reads `length` bytes from `address` in chunks of the link's maximum chunk;
  // false at the first read that fails.
  bool ReadBack(uint32_t address, uint32_t length, uint8_t* destination);
  // The report of a refused or broken-off transfer: the writer's display, the
  // log and the box; always 5.
  int ReportTransferFailure(uint32_t code);
  // The writer has a file open: logged and shown.
  void ReportWriterBusy();

  // The programming procedures: 0 (or less) done or nothing to do; above 0 a
  // failure the user has been shown.

  // ---- update/program_boot_code.cpp
 public:
  int ProgramBootCode();

  // ---- update/program_application_code.cpp
 public:
  int ProgramApplicationCode();

  // ---- update/program_xloader.cpp
 public:
  int ProgramXLoader();

 private:
  // Reads the writer's X-Loader back and sends the carried one where it is newer.
  int UpdateXLoader(uint32_t imageId);
  // True when the partition at `address` still holds the `length` bytes
  // `before`; false also when it cannot be read.
  bool LoaderKept(uint32_t address, const uint8_t* before, uint32_t length);

  // ---- update/program_sensor_board.cpp
 public:
  int ProgramSensorBoard();

 private:
  // The three phases of the sensor board: check, programming, release.
  int UpdateSensorBoard(const uint8_t* memoryImage, uint32_t endOffset);

  // ---- update/program_wifi_image.cpp
 public:
  int ProgramWifiApp();
  int ProgramWifiNvs();

 private:
  struct WifiPartition;
  enum class WifiCheck { kNoModule, kHoldsImage, kDiffers };
  int ProgramWifiImage(const WifiPartition& partition);
  // One check: reads the partition back into `readBack` and compares it with
  // the image. Only the first check may find no partition.
  WifiCheck CheckWifiPartition(const WifiPartition& partition,
                               const EmbeddedImage& image,
                               uint8_t* readBack,
                               bool firstCheck);
  // Erases the partition and writes the image; false when the image does not
  // fit, which ends the checks, true otherwise.
  bool WriteWifiPartition(const WifiPartition& partition, const EmbeddedImage& image);

  // ---- The dialog's state
 private:
  UpdaterServices services_;

  CStatic banner_;
  CButton goButton_;
  std::string introText_;
  std::string buildString_;
  std::string applicationName_;
  CKiteUsb usb_;

  // Machine state, as the writer reported it.
  uint32_t reportedVersion_ = 0;
  uint32_t bootMode_ = 0;
  uint32_t reportedBuild_ = 0;
  uint32_t mainBootVersion_ = 0;
  uint32_t mainBootBuild_ = 0;
  uint32_t secondaryBootVersion_ = 0;
  uint32_t secondaryBootBuild_ = 0;

  std::unique_ptr<LogFile> logFile_;
  bool logOpen_ = false;

  // Per-run flags, cleared when a run starts.
  bool restartPending_ = false;
  bool xLoaderDone_ = false;
  bool bootCodeDone_ = false;
  bool applicationCodeDone_ = false;

  // The machine type the run accepted: a writer that comes back from a restart
  // as another model is refused rather than sent images not its own. And
  // whether the X-Loader call under way is the run's last: no restart follows
  // it to mend a failed transfer, so its failure must fail the run.
  uint32_t acceptedMachineType_ = 0;
  bool finalXLoaderCall_ = false;
};

}  // namespace solvane
