#include <CLI/CLI.hpp>
#include <csignal>
#include <fstream>
#include <iostream>
#include <memory>

#include "device/device_access.h"
#include "device/posix/device_folder.h"
#include "sim/default_state.h"
#include "sim/scenario_file.h"
#include "sim/sim_writer.h"
#include "sim/socket_server.h"
#include "sim/state_report.h"
#include "sim/state_store.h"
#include "sim/system_host_time.h"

namespace {

solvane::SocketServer* activeServer = nullptr;

extern "C" void OnStopSignal(int /*signal*/) {
  if (activeServer != nullptr) {
    activeServer->Stop();
  }
}

uint32_t ParseVersion(const std::string& text) {
  // "2.00.00" or a raw word such as "0x02000000".
  if (text.find('.') == std::string::npos) {
    return static_cast<uint32_t>(std::stoul(text, nullptr, 0));
  }
  uint32_t word = 0;
  size_t start = 0;
  for (int shift = 24; shift >= 0 && start <= text.size(); shift -= 8) {
    size_t end = text.find('.', start);
    std::string part = text.substr(start, end == std::string::npos ? end : end - start);
    word |= (static_cast<uint32_t>(std::stoul(part, nullptr, 16)) & 0xFF) << shift;
    if (end == std::string::npos) {
      break;
    }
    start = end + 1;
  }
  return word;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace solvane;
  CLI::App app{"Simulated Solvane writer: serves the writer's packet protocol on a socket"};
  std::string stateDir, appVersion, bootVersion, scenario, transcriptPath;
  std::string xLoaderVersion = "5.00";
  std::string socketName = "writer0";
  uint32_t type = 0, appBuild = 0, bootBuild = 0, sensorBuild = 0, sensorNewBuild = 0;
  int64_t clockOffset = 0;
  bool bootMode = false, realtimeOpen = false, realistic = false, printState = false;
  std::vector<std::string> faultTexts;
  app.add_option("--state", stateDir, "Folder that keeps the writer's state between runs");
  auto* typeOption = app.add_option("--type", type, "Machine type");
  auto* appVersionOption =
      app.add_option("--app-version", appVersion, "Application version, e.g. 1.63.00");
  auto* appBuildOption = app.add_option("--app-build", appBuild, "Application build");
  auto* bootModeOption = app.add_flag("--boot-mode", bootMode, "The writer runs its boot code");
  auto* bootVersionOption = app.add_option("--boot-version", bootVersion, "Main boot version");
  auto* bootBuildOption = app.add_option("--boot-build", bootBuild, "Main boot build");
  auto* sensorOption = app.add_option("--sensor-build", sensorBuild, "Sensor board build");
  auto* sensorNewOption = app.add_option("--sensor-new-build", sensorNewBuild,
                                         "Build the sensor board gets when written");
  auto* realtimeOption =
      app.add_flag("--realtime-open", realtimeOpen, "Realtime runs and REALTIME.000 can be opened");
  auto* clockOption =
      app.add_option("--clock-offset", clockOffset, "Writer clock minus host local time, seconds");
  auto* xLoaderOption = app.add_option("--xloader-version", xLoaderVersion,
                                       "X-Loader version text of a fresh writer");
  app.add_option("--scenario", scenario, "JSON file of faults");
  app.add_option("--fault", faultTexts, "One fault as JSON (see the scenario format)");
  app.add_option("--transcript", transcriptPath, "File for the JSON-lines transcript");
  app.add_option("--socket-name", socketName, "Name of the socket in the device folder");
  app.add_flag("--realistic", realistic, "USB, flash and restart take real time");
  app.add_flag("--print-state", printState, "Print the writer's state as JSON and exit");
  CLI11_PARSE(app, argc, argv);

  try {
    std::optional<StateStore> store;
    std::optional<WriterState> loaded;
    if (!stateDir.empty()) {
      store.emplace(stateDir);
      loaded = store->Load();
    }
    WriterState state = loaded ? std::move(*loaded) : DefaultWriterState(xLoaderVersion);
    if (loaded && xLoaderOption->count() > 0) {
      std::cerr << "--xloader-version applies to a fresh writer only\n";
    }
    WriterIdentity& identity = state.identity;
    if (typeOption->count() > 0)
      identity.machineType = type;
    if (appVersionOption->count() > 0)
      identity.applicationVersion = ParseVersion(appVersion);
    if (appBuildOption->count() > 0)
      identity.applicationBuild = appBuild;
    if (bootModeOption->count() > 0)
      identity.bootMode = bootMode;
    if (bootVersionOption->count() > 0)
      identity.bootVersion = ParseVersion(bootVersion);
    if (bootBuildOption->count() > 0)
      identity.bootBuild = bootBuild;
    if (sensorOption->count() > 0)
      state.sensorBuild = sensorBuild;
    if (sensorNewOption->count() > 0)
      state.sensorNewBuild = sensorNewBuild;
    if (clockOption->count() > 0)
      state.clockOffsetSeconds = clockOffset;
    if (realtimeOption->count() > 0) {
      state.realtimeActive = realtimeOpen;
      if (realtimeOpen) {
        state.files.insert("REALTIME.000");
      } else {
        state.files.erase("REALTIME.000");
      }
    }
    if (printState) {
      std::cout << StateReport(state).dump(2) << '\n';
      return 0;
    }

    FaultSet faults = scenario.empty() ? FaultSet{} : LoadScenario(scenario);
    for (const std::string& text : faultTexts) {
      AddFault(nlohmann::json::parse(text), faults);
    }
    std::ofstream transcriptFile;
    std::unique_ptr<Transcript> transcript;
    if (!transcriptPath.empty()) {
      transcriptFile.open(transcriptPath, std::ios::app);
      transcript = std::make_unique<Transcript>(&transcriptFile, false);
    }
    SystemHostTime hostTime;
    SimWriter writer(std::move(state), hostTime, FaultPlan(std::move(faults)),
                     realistic ? SimTiming::Realistic() : SimTiming{}, transcript.get());
    auto save = [&] {
      if (store) {
        store->Save(writer.State());
      }
    };
    std::string socketPath = DeviceFolder(kWriterInterfaceClassText) + "/" + socketName;
    SocketServer server(writer, socketPath, realistic, save);
    activeServer = &server;
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    std::cerr << "solvane-writer-sim: serving on " << socketPath << '\n';
    bool served = server.Run();
    activeServer = nullptr;
    save();
    if (!served) {
      std::cerr << "solvane-writer-sim: cannot listen on " << socketPath << '\n';
      return 1;
    }
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "solvane-writer-sim: " << error.what() << '\n';
    return 1;
  }
}
