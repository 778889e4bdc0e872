#include "sim/sim_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "sim/sensor_board.h"
#include "sim/sensor_code_block.h"
#include "sim/version_text.h"

namespace solvane {

namespace {

// The writer's clock is 32-bit seconds: a larger offset means nothing to it.
constexpr int64_t kMaxClockOffset = 0xFFFFFFFF;
constexpr size_t kMaxXLoaderVersion = 64;

std::optional<uint32_t> VersionOption(const CLI::Option* option, const std::string& text) {
  if (option->count() == 0) {
    return std::nullopt;
  }
  std::optional<uint32_t> word = ParseVersionWord(text);
  if (!word) {
    throw InputError(
        option->get_name() + ": \"" + text +
        "\" is not a version: give major.minor.patch in hexadecimal digits "
        "(\"2.00.00\", a fourth part for a beta) or the version word (\"0x02000000\")");
  }
  return word;
}

template <typename T>
std::optional<T> Given(const CLI::Option* option, T value) {
  return option->count() > 0 ? std::optional<T>(value) : std::nullopt;
}

}  // namespace

std::optional<SimOptions> SimOptions::Parse(int argc, char** argv, int& exitCode) {
  SimOptions options;
  CLI::App app{"Simulated Solvane writer: serves the writer's packet protocol on a socket"};
  std::string appVersion, bootVersion, xLoaderVersion;
  uint32_t type = 0, appBuild = 0, bootBuild = 0, sensorBuild = 0;
  int64_t clockOffset = 0;
  bool bootMode = false;
  app.add_option("--state", options.stateDir, "Folder that keeps the writer's state between runs");
  auto* typeOption = app.add_option("--type", type, "Machine type");
  auto* appVersionOption =
      app.add_option("--app-version", appVersion, "Application version, e.g. 1.63.00");
  auto* appBuildOption = app.add_option("--app-build", appBuild, "Application build");
  auto* bootModeOption = app.add_flag("--boot-mode", bootMode, "The writer runs its boot code");
  auto* bootVersionOption = app.add_option("--boot-version", bootVersion, "Main boot version");
  auto* bootBuildOption = app.add_option("--boot-build", bootBuild, "Main boot build");
  auto* sensorOption = app.add_option("--sensor-build", sensorBuild,
                                      "Build the sensor board's code carries (resealed in flash)");
  app.add_flag("--realtime-open", options.realtimeOpen,
               "This run: realtime runs and REALTIME.000 can be opened");
  app.add_flag("--job-open", options.jobOpen, "This run: a job file is open on the writer");
  auto* clockOption =
      app.add_option("--clock-offset", clockOffset, "Writer clock minus host local time, seconds")
          ->check(CLI::Range(-kMaxClockOffset, kMaxClockOffset));
  auto* xLoaderOption = app.add_option("--xloader-version", xLoaderVersion,
                                       "X-Loader version text of a fresh writer (default 5.00)");
  app.add_option("--scenario", options.scenario, "JSON file of faults");
  app.add_option("--fault", options.faults, "One fault as JSON (see the scenario format)");
  app.add_option("--transcript", options.transcriptPath, "File for the JSON-lines transcript");
  app.add_option("--socket-name", options.socketName,
                 "Name of the socket in the device folder (on Windows: of the pipe and the "
                 "registered interface)");
  app.add_flag("--realistic", options.realistic, "USB, flash and restart take real time");
  app.add_flag("--print-state", options.printState, "Print the writer's state as JSON and exit");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    int code = app.exit(error);
    exitCode = code == 0 ? 0 : 2;
    return std::nullopt;
  }
  options.machineType = Given(typeOption, type);
  options.applicationVersion = VersionOption(appVersionOption, appVersion);
  options.applicationBuild = Given(appBuildOption, appBuild);
  options.bootMode = Given(bootModeOption, bootMode);
  options.bootVersion = VersionOption(bootVersionOption, bootVersion);
  options.bootBuild = Given(bootBuildOption, bootBuild);
  options.sensorBuild = Given(sensorOption, sensorBuild);
  options.clockOffsetSeconds = Given(clockOption, clockOffset);
  options.xLoaderVersion = Given(xLoaderOption, xLoaderVersion);
  if (options.xLoaderVersion && options.xLoaderVersion->size() > kMaxXLoaderVersion) {
    throw InputError("--xloader-version: at most " + std::to_string(kMaxXLoaderVersion) +
                     " characters");
  }
  if (options.socketName.empty() || options.socketName.find('/') != std::string::npos ||
      options.socketName == "." || options.socketName == "..") {
    throw InputError("--socket-name: \"" + options.socketName +
                     "\" is not a name for a socket in the device folder");
  }
  return options;
}

void SimOptions::ApplyTo(WriterState& state) const {
  WriterIdentity& identity = state.identity;
  identity.machineType = machineType.value_or(identity.machineType);
  identity.applicationVersion = applicationVersion.value_or(identity.applicationVersion);
  identity.applicationBuild = applicationBuild.value_or(identity.applicationBuild);
  identity.bootMode = bootMode.value_or(identity.bootMode);
  identity.bootVersion = bootVersion.value_or(identity.bootVersion);
  identity.bootBuild = bootBuild.value_or(identity.bootBuild);
  if (sensorBuild) {
    state.sensorFlash.resize(std::max<size_t>(state.sensorFlash.size(), SensorBoard::kSize), 0xFF);
    SensorCodeBlock::Seal(state.sensorFlash, *sensorBuild);
  }
  state.clockOffsetSeconds = clockOffsetSeconds.value_or(state.clockOffsetSeconds);
  state.realtimeActive = realtimeOpen;
  state.jobOpen = jobOpen;
}

}  // namespace solvane
