// solvane-update on Linux: the main dialog on the terminal, with the writer
// reached through its socket.
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#include "app/kite_update_dlg.h"
#include "app/posix/built_in_string_resources.h"
#include "app/posix/configured_product_version_reader.h"
#include "app/posix/terminal_dialog_window.h"
#include "app/posix/terminal_progress.h"
#include "app/posix/terminal_run_guard.h"
#include "app/posix/terminal_screen.h"
#include "app/program_version.h"
#include "app/recording_session.h"
#include "device/posix/device_folder.h"
#include "device/posix/file_recording_sink.h"
#include "device/posix/socket_device_access.h"
#include "log/posix/posix_log_storage.h"
#include "package/posix/linked_resource_source.h"
#include "platform/posix/posix_system_clock.h"
#include "platform/thread_sleep_waiter.h"

namespace solvane {
namespace {

constexpr const char* kUsage =
    "Usage: solvane-update [--help | --version | --record FILE]\n"
    "\n"
    "Brings the firmware of the connected Solvane writer up to date. The window is\n"
    "shown on the terminal and answered from standard input, one line each:\n"
    "  main window   \"g\" or an empty line starts the update, \"q\" quits\n"
    "  question      \"y\" yes, \"n\" no, an empty line its default answer\n"
    "  message       any line closes it\n"
    "At the end of the input every question is answered no, every message is\n"
    "closed and the program quits.\n"
    "\n"
    "--record FILE writes every call to the writer, the clock read and the answers\n"
    "given to FILE, for support (solvane-replay FILE replays it).\n"
    "\n"
    "Writers are the sockets in $SOLVANE_DEVICE_DIR/%s/\n"
    "(by default $XDG_RUNTIME_DIR/solvane/devices). The update log is RORivevi.log\n"
    "in $XDG_DOCUMENTS_DIR, else in $HOME/Documents.\n";

uint64_t SteadyMs() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

int RunMainDialog(const char* recordPath) {
  SocketDeviceAccess devices;
  ThreadSleepWaiter waiter;
  PosixSystemClock clock;
  PosixLogStorage logStorage;
  LinkedResourceSource resources;
  ConfiguredProductVersionReader versionReader;
  BuiltInStringResources strings;
  TerminalScreen screen(std::cout);
  TerminalProgress progress(screen, isatty(STDOUT_FILENO) == 1, SteadyMs);
  TerminalRunGuard runGuard(DeviceFolder(kWriterInterfaceClassText) + "/solvane-update.lock");
  UpdaterServices services{devices,       waiter,  clock,    logStorage, resources,
                           versionReader, strings, progress, runGuard};
  std::optional<FileRecordingSink> sink;
  std::optional<RecordingSession> recording;
  if (recordPath != nullptr) {
    sink.emplace(recordPath);
    if (!sink->opened()) {
      std::fprintf(stderr, "solvane-update: cannot create '%s': %s\n", recordPath,
                   std::strerror(errno));
      return 2;
    }
    std::string build;
    FormatBuildString(versionReader, build);
    recording.emplace(*sink, services, "solvane-update " + build);
  }
  CKiteUpdate100Dlg dialog(recording ? recording->services() : services);
  TerminalDialogWindow window(std::cin, screen, isatty(STDIN_FILENO) != 1);
  window.SetAnswerObserver(recording ? &recording->answers() : nullptr);
  window.SetQuitRequested(&TerminalRunGuard::QuitRequested);
  window.Run(dialog);
  return 0;
}

}  // namespace
}  // namespace solvane

int main(int argc, char** argv) {
  using namespace solvane;
  // A reader that leaves (`| head`) must not end a run: failed writes to the
  // terminal are dropped.
  std::signal(SIGPIPE, SIG_IGN);
  if (argc == 1) {
    return RunMainDialog(nullptr);
  }
  if (argc == 3 && std::strcmp(argv[1], "--record") == 0) {
    return RunMainDialog(argv[2]);
  }
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::printf(kUsage, kWriterInterfaceClassText);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::string build;
    FormatBuildString(ConfiguredProductVersionReader(), build);
    std::printf("%s Build:  %s\n", BuiltInStringResources().Load(kApplicationNameString).c_str(),
                build.c_str());
    return 0;
  }
  if (argc == 2) {
    std::fprintf(stderr, "solvane-update: unknown option '%s'\n", argv[1]);
  } else {
    std::fprintf(stderr, "solvane-update: takes at most one option (--record takes a file)\n");
  }
  std::fprintf(stderr, "Try 'solvane-update --help'.\n");
  return 2;
}
