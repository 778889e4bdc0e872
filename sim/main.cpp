#include <nlohmann/json.hpp>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include "sim/default_state.h"
#include "sim/scenario_file.h"
#include "sim/sim_options.h"
#include "sim/sim_writer.h"
#include "sim/state_report.h"
#include "sim/state_store.h"
#include "sim/system_host_time.h"
#include "sim/writer_server.h"

// Exit codes: 0 done, 1 the writer cannot be served, 2 input refused.
namespace {

constexpr int kCannotServe = 1;
constexpr int kInputRefused = 2;

solvane::WriterServer* activeServer = nullptr;

extern "C" void OnStopSignal(int /*signal*/) {
  if (activeServer != nullptr) {
    activeServer->Stop();
  }
}

int Fail(int code, const std::string& message) {
  std::cerr << "solvane-writer-sim: " << message << '\n';
  return code;
}

solvane::FaultSet ReadFaults(const solvane::SimOptions& options) {
  using namespace solvane;
  try {
    FaultSet faults = options.scenario.empty() ? FaultSet{} : LoadScenario(options.scenario);
    for (const std::string& text : options.faults) {
      nlohmann::json entry = nlohmann::json::parse(text, nullptr, false);
      if (entry.is_discarded()) {
        throw InputError("--fault: \"" + text + "\" is not JSON");
      }
      AddFault(entry, faults);
    }
    return faults;
  } catch (const InputError&) {
    throw;
  } catch (const std::exception& error) {
    throw InputError(error.what());
  }
}

std::optional<solvane::WriterState> LoadState(const solvane::SimOptions& options) {
  namespace fs = std::filesystem;
  if (options.stateDir.empty()) {
    return std::nullopt;
  }
  std::error_code error;
  if (fs::exists(options.stateDir, error) && !fs::is_directory(options.stateDir, error)) {
    throw solvane::InputError("--state: " + options.stateDir + " is not a folder");
  }
  try {
    return solvane::StateStore(options.stateDir).Load();
  } catch (const std::exception& problem) {
    throw solvane::InputError(problem.what());
  }
}

int Serve(const solvane::SimOptions& options,
          solvane::WriterState state,
          solvane::FaultSet faults) {
  using namespace solvane;
  std::ofstream transcriptFile;
  std::unique_ptr<Transcript> transcript;
  if (!options.transcriptPath.empty()) {
    transcriptFile.open(options.transcriptPath, std::ios::app);
    if (!transcriptFile) {
      return Fail(kInputRefused, "--transcript: cannot write " + options.transcriptPath);
    }
    transcript = std::make_unique<Transcript>(&transcriptFile, false);
  }
  SystemHostTime hostTime;
  SimWriter writer(std::move(state), hostTime, FaultPlan(std::move(faults)),
                   options.realistic ? SimTiming::Realistic() : SimTiming{}, transcript.get());
  if (!writer.memory().XLoaderBootable()) {
    return Fail(kCannotServe,
                "the writer does not start: its X-Loader partition holds no loader that runs");
  }
  std::optional<StateStore> store;
  if (!options.stateDir.empty()) {
    store.emplace(options.stateDir);
  }
  auto save = [&] {
    if (store) {
      store->Save(writer.State());
    }
  };
  std::unique_ptr<WriterServer> server =
      MakeWriterServer(writer, options.socketName, options.realistic, [&] {
        try {
          save();
        } catch (const std::exception& error) {
          Fail(kCannotServe, error.what());
        }
      });
  if (!server->Listen()) {
    return Fail(kCannotServe, "cannot listen on " + server->Where() +
                                  " (another simulated writer may be serving there)");
  }
  // The state folder must take the state now, not only at the first restart.
  try {
    save();
  } catch (const std::exception& error) {
    return Fail(kInputRefused, std::string("--state: ") + error.what());
  }
  activeServer = server.get();
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);
  std::cerr << "solvane-writer-sim: serving on " << server->Where() << std::endl;
  bool served = server->Run();
  activeServer = nullptr;
  try {
    save();
  } catch (const std::exception& error) {
    return Fail(kCannotServe, error.what());
  }
  if (!served) {
    return Fail(kCannotServe, "cannot listen on " + server->Where() + " after a restart");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace solvane;
  try {
    int exitCode = 0;
    std::optional<SimOptions> options = SimOptions::Parse(argc, argv, exitCode);
    if (!options) {
      return exitCode;
    }
    FaultSet faults = ReadFaults(*options);
    std::optional<WriterState> loaded = LoadState(*options);
    if (loaded && options->xLoaderVersion) {
      std::cerr << "solvane-writer-sim: --xloader-version applies to a fresh writer only\n";
    }
    WriterState state =
        loaded ? std::move(*loaded) : DefaultWriterState(options->xLoaderVersion.value_or("5.00"));
    options->ApplyTo(state);
    if (options->printState) {
      std::cout << StateReport(state).dump(2) << '\n';
      return 0;
    }
    return Serve(*options, std::move(state), std::move(faults));
  } catch (const InputError& error) {
    return Fail(kInputRefused, error.what());
  } catch (const std::exception& error) {
    return Fail(kCannotServe, error.what());
  }
}
