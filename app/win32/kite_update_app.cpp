#include "app/win32/kite_update_app.h"

#include <memory>
#include <optional>
#include <string>

#include "app/kite_update_dlg.h"
#include "app/program_version.h"
#include "app/recording_session.h"
#include "app/win32/module_string_resources.h"
#include "app/win32/version_resource_reader.h"
#include "device/win32/file_recording_sink.h"
#include "device/win32/setup_api_device_access.h"
#include "device/win32/system_setup_api.h"
#include "device/win32/threaded_device_access.h"
#include "log/win32/shell_log_storage.h"
#include "package/win32/rcdata_resource_source.h"
#include "platform/win32/call_thread.h"
#include "platform/win32/pumping_waiter.h"
#include "platform/win32/shell_taskbar_button.h"
#include "platform/win32/system_file_api.h"
#include "platform/win32/system_message_pump.h"
#include "platform/win32/system_progress_bar_api.h"
#include "platform/win32/taskbar_progress.h"
#include "platform/win32/window_progress_bar.h"
#include "platform/win32/windows_system_clock.h"

namespace solvane {

void LogHangBeforeProgramEnds(WindowsRunGuard& guard, CKiteUpdate100Dlg& dialog) {
  guard.SetBeforeEndProgram([&dialog] {
    dialog.LogLine(
        "The writer has not answered for over a minute; the program was closed while it waited.");
    dialog.CloseLog();
  });
}

bool CKiteUpdate100App::InitInstance() {
  SystemSetupApi setupApi;
  SystemFileApi fileApi;
  SetupApiDeviceAccess setupDevices(setupApi, fileApi);
  auto mainWindow = [this] { return MainWindowHandle(); };
  // The call thread outlives the run guard, whose end stops it.
  WindowsRunGuard* guard = nullptr;
  SystemMessagePump pump(mainWindow,
                         [&guard] { return guard != nullptr && guard->CloseEndsProgram(); });
  PumpingWait pumpingWait(pump);
  PumpingWaiter waiter(pumpingWait);
  SystemRunGuardApi guardApi;
  CallThread deviceThread(
      pumpingWait, [&guard] { guard->DeviceCallHung(); },
      [&guard] { guard->SlowDeviceCallReturned(); });
  WindowsRunGuard runGuard(guardApi, mainWindow, [&deviceThread] { deviceThread.Stop(); });
  guard = &runGuard;
  ThreadedDeviceAccess devices(setupDevices, deviceThread);
  WindowsSystemClock clock;
  ShellLogStorage logStorage(fileApi);
  RcdataResourceSource resources;
  VersionResourceReader versionReader;
  ModuleStringResources strings;
  SystemProgressBarApi progressBarApi;
  WindowProgressBar windowBar(progressBarApi, mainWindow);
  ShellTaskbarButton taskbarButton(mainWindow);
  TaskbarProgress taskbarProgress(taskbarButton);
  ProgressPair progress(windowBar, taskbarProgress);
  UpdaterServices services{devices,       waiter,  clock,    logStorage, resources,
                           versionReader, strings, progress, runGuard};
  std::optional<FileRecordingSink> sink;
  std::optional<RecordingSession> recording;
  if (!recordFile_.empty()) {
    sink.emplace(recordFile_);
    std::string build;
    FormatBuildString(versionReader, build);
    recording.emplace(*sink, services, "SolvaneUpdate.exe " + build);
  }

  // On the heap: the link's two packet buffers are large for a stack.
  auto dialog = std::make_unique<CKiteUpdate100Dlg>(recording ? recording->services() : services);
  LogHangBeforeProgramEnds(runGuard, *dialog);
  Win32DialogWindow window(instance(), *dialog, this);
  window.SetRunGuard(&runGuard);
  window.SetAnswerObserver(recording ? &recording->answers() : nullptr);
  SetMainWindow(&window);
  window.Run(nullptr);
  SetMainWindow(nullptr);
  dialog.reset();
  return false;
}

}  // namespace solvane
