// The update run: one click of "&Go!".
#include "package/catalogue.h"
#include "update/kite_update_engine.h"
#include "update/message_text.h"

namespace solvane {

namespace {

constexpr uint32_t kEarlyProgrammingBootBuild = 35673;
constexpr uint32_t kFinalCloseWaitMs = 100;
constexpr uint32_t kDowngradeQuestionStyle = kMbYesNo | kMbIconQuestion;
constexpr const char* kRealtimeFile = "REALTIME.000";

// The writer gets a moment before the link goes and after it has gone.
void CloseBetweenWaits(CKiteUsb& usb, Waiter& waiter) {
  waiter.Wait(kFinalCloseWaitMs);
  usb.Close();
  waiter.Wait(kFinalCloseWaitMs);
}

}  // namespace

bool CKiteUpdateEngine::AcceptedMachineType() const {
  return IsAcceptedMachineType(usb_.machineType());
}

void CKiteUpdateEngine::ClearBootVersions() {
  mainBootVersion_ = mainBootBuild_ = secondaryBootVersion_ = secondaryBootBuild_ = 0;
}

void CKiteUpdateEngine::ReadBootVersionsOrClear() {
  if (usb_.ReadBootVersions(&mainBootVersion_, &mainBootBuild_, &secondaryBootVersion_,
                            &secondaryBootBuild_) != 0) {
    ClearBootVersions();
  }
}

void CKiteUpdateEngine::FillMachineState() {
  ClearBootVersions();
  if (bootMode_ == 0) {
    ReadBootVersionsOrClear();
    return;
  }
  // A writer in boot mode reports its boot code's version, and its application
  // is taken to be the one the catalogue names for boot mode.
  mainBootVersion_ = reportedVersion_;
  mainBootBuild_ = reportedBuild_;
  reportedVersion_ = Row().bootModeApplicationVersion;
  reportedBuild_ = 0;
}

void CKiteUpdateEngine::LogMachineFound() {
  uint32_t type = usb_.machineType();
  const char* model = Model();
  if (!AcceptedMachineType()) {
    LogLine(FormatText(
        kMessageBuffer,
        bootMode_ ? "USB found %s(%d), Boot Ver. %X.%02X " : "USB found %s(%d), App. Ver. %X.%02X ",
        model, static_cast<int>(type), reportedVersion_ >> 8, Beta(reportedVersion_)));
    return;
  }
  auto foundLine = [&](const char* what, uint32_t version, uint32_t build) {
    if (Beta(version) != 0) {
      return FormatText(kMessageBuffer,
                        "USB found %s(%d), %s Ver. %X.%02X.%02X Beta %X, Build %d\n", model,
                        static_cast<int>(type), what, Major(version), Minor(version),
                        Patch(version), Beta(version), static_cast<int>(build));
    }
    return FormatText(kMessageBuffer, "USB found %s(%d), %s Ver. %X.%02X.%02X, Build %d\n", model,
                      static_cast<int>(type), what, Major(version), Minor(version), Patch(version),
                      static_cast<int>(build));
  };
  if (bootMode_ != 0) {
    LogLine(foundLine("Boot.", reportedVersion_, reportedBuild_));
    return;
  }
  LogLine(foundLine("App.", reportedVersion_, reportedBuild_));
  if (mainBootVersion_ != 0) {
    LogLine(foundLine("Main Boot", mainBootVersion_, mainBootBuild_));
  }
  if (secondaryBootVersion_ != 0) {
    LogLine(foundLine("Secondary Boot", secondaryBootVersion_, secondaryBootBuild_));
  }
}

bool CKiteUpdateEngine::ConfirmDowngrade() {
  const CatalogueEntry& row = Row();
  uint32_t writerVersion = usb_.versionWord() & ~uint32_t{0xFF};
  if (row.applicationVersion >= writerVersion && row.applicationBuild >= reportedBuild_) {
    return true;
  }
  std::string question = FormatText(
      kMessageBuffer,
      "You are about to install version %X.%02X.%02X, Build %d\non a Machine that is running "
      "version %X.%02X.%02X, Build %d.\n              Are you sure you want to do this?",
      Major(row.applicationVersion), Minor(row.applicationVersion), Patch(row.applicationVersion),
      static_cast<int>(row.applicationBuild), Major(usb_.versionWord()), Minor(usb_.versionWord()),
      Patch(usb_.versionWord()), static_cast<int>(reportedBuild_));
  LogLine(question);
  return Show(question, "Warning", kDowngradeQuestionStyle) == kIdYes;
}

bool CKiteUpdateEngine::UpdateMachine() {
  usb_.Open();
  if (!usb_.IsOpen()) {
    ReportError(
        "Unable to open a connection with your steno machine.\nPlease make sure the writer is "
        "turned On and the USB cable is firmly connected");
    return false;
  }
  if (uint32_t result = usb_.Identify(nullptr, &reportedVersion_, &bootMode_, &reportedBuild_)) {
    ReportError(FormatText(kMessageBuffer,
                           "Unable to communicate with your steno machine.  Error Code %d",
                           static_cast<int>(result)));
    return false;
  }
  if (AcceptedMachineType()) {
    FillMachineState();
  }
  LogMachineFound();
  if (!AcceptedMachineType()) {
    ReportError(ImproperMachineText(kMessageBuffer, Model()));
    return false;
  }
  acceptedMachineType_ = usb_.machineType();
  if (!CheckSentImages()) {
    return false;
  }
  if (!ConfirmDowngrade()) {
    return false;
  }
  if (usb_.OpenFile(kRealtimeFile) == 0) {
    usb_.CloseFile();
    ReportWriterBusy();
    return false;
  }
  SyncMachineClock();

  bool early = bootMode_ == 0 ? reportedBuild_ < kEarlyProgrammingBuild
                              : mainBootBuild_ < kEarlyProgrammingBootBuild;
  if (early) {
    restartPending_ = true;
    if (ProgramBootCode() > 0 || ProgramApplicationCode() > 0) {
      return false;
    }
  }
  if (RestartWriter() > 0 || ProgramSensorBoard() > 0 || ProgramWifiApp() > 0 ||
      ProgramWifiNvs() > 0 || ProgramXLoader() > 0 || ProgramBootCode() > 0 ||
      ProgramApplicationCode() > 0 || RestartWriter() > 0) {
    return false;
  }
  finalXLoaderCall_ = true;
  if (ProgramXLoader() > 0) {
    return false;
  }
  usb_.RequestReset(0);
  return true;
}

void CKiteUpdateEngine::RunUpdate() {
  restartPending_ = xLoaderDone_ = bootCodeDone_ = applicationCodeDone_ = false;
  acceptedMachineType_ = 0;
  finalXLoaderCall_ = false;
  if (!logOpen_) {
    OpenLog();
  }
  // Two copies that update at once would interleave their packets.
  if (!services_.runGuard.Begin()) {
    ReportError("Another Solvane Update is updating a writer.\nPlease wait until it has finished.");
    SetStatusText(introText());
    CloseLog();
    return;
  }

  if (UpdateMachine()) {
    SetStatusText(FormatText(kMessageBuffer, "\n\n\n\n\n\n%s Updated.", Model()));
    LogLine(FormatText(kMessageBuffer, "Successfully updated the %s.", Model()));
    // The writer has been reset: nothing is left to cut short.
    services_.runGuard.Relax();
    Show(FormatText(kMessageBuffer, "Successfully updated the %s.\n           Click OK to Exit.",
                    Model()),
         applicationName(), kMbOk | kMbIconInformation);
    if (usb_.IsOpen()) {
      CloseBetweenWaits(usb_, services_.waiter);
    }
    OnCancel();
    restartPending_ = false;
  }

  if (restartPending_) {
    usb_.RequestReset(0);
  }
  if (usb_.IsOpen()) {
    usb_.ShowMessage(nullptr);
    CloseBetweenWaits(usb_, services_.waiter);
  }
  services_.runGuard.End();
  SetStatusText(introText());
  CloseLog();
}

}  // namespace solvane
