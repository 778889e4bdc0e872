#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "device/kite_usb.h"
#include "log/update_log.h"
#include "package/catalogue.h"
#include "package/embedded_image.h"
#include "platform/message_boxes.h"
#include "update/engine_services.h"

namespace solvane {

// The update engine: the run's state (the link, what the writer reported, the
// per-run flags) and the run and programming procedures that work on it. The
// main dialog derives from it, so these are the dialog's operations; what they
// need of the window (its boxes, its status area, its texts and its ending) are
// the pure virtual members below. The members are grouped by the file that
// defines them.
class CKiteUpdateEngine : public CUpdateLog, protected MessageBoxes {
  // ---- update/kite_update_engine.cpp: the state, and the window's part
 public:
  // `applicationName` and `buildString` go into the log's header lines.
  CKiteUpdateEngine(const EngineServices& services,
                    std::string applicationName,
                    std::string buildString);
  ~CKiteUpdateEngine() override;

  CKiteUsb& usb() { return usb_; }

  // The status area's normal text, put back at the end of every run.
  virtual const std::string& introText() const = 0;
  // The caption of the success box.
  virtual const std::string& applicationName() const = 0;
  // Ends the dialog after a successful update; the dialog's cancel operation.
  virtual void OnCancel() = 0;

 protected:
  const CatalogueEntry& Row() const { return CatalogueRow(usb_.machineType()); }
  const char* Model() const { return ModelName(usb_.machineType()); }
  // An error box: caption "Error", stop icon, OK.
  void ShowError(std::string_view text);
  // Logs `text` and shows it in the error box.
  void ReportError(std::string_view text);

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

  // ---- The run's state
 private:
  // An application build below this is too old for the main sequence: the run
  // sends boot and application code first, and a restart must end it.
  static constexpr uint32_t kEarlyProgrammingBuild = 34494;

  EngineServices services_;
  CKiteUsb usb_;

  // Machine state, as the writer reported it.
  uint32_t reportedVersion_ = 0;
  uint32_t bootMode_ = 0;
  uint32_t reportedBuild_ = 0;
  uint32_t mainBootVersion_ = 0;
  uint32_t mainBootBuild_ = 0;
  uint32_t secondaryBootVersion_ = 0;
  uint32_t secondaryBootBuild_ = 0;

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
