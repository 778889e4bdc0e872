// solvane-replay FILE: runs today's update engine against a recorded run and
// says whether it behaved the same; exit status 0 the same, 1 not, 2 bad input.
// With --check-sim STATE_DIR it also sends the run's requests to the simulated
// writer started from that state and reports every reply it gives otherwise.
#include <cstdio>
#include <cstring>
#include <exception>

#include "package/posix/linked_resource_source.h"
#include "sim/default_state.h"
#include "sim/state_store.h"
#include "tools/replay/replay_run.h"
#include "tools/replay/sim_reply_check.h"

int main(int argc, char** argv) {
  using namespace solvane;
  const char* stateDir = nullptr;
  if (argc == 4 && std::strcmp(argv[1], "--check-sim") == 0) {
    stateDir = argv[2];
  } else if (argc != 2) {
    std::fprintf(stderr, "Usage: solvane-replay [--check-sim STATE_DIR] FILE\n");
    return 2;
  }
  std::string error;
  std::optional<Recording> recording = ReadRecording(argv[argc - 1], error);
  if (!recording) {
    std::fprintf(stderr, "solvane-replay: %s\n", error.c_str());
    return 2;
  }
  LinkedResourceSource resources;
  std::optional<SimReplyCheck> check;
  if (stateDir != nullptr) {
    try {
      check.emplace(StateStore(stateDir).Load().value_or(DefaultWriterState()), resources);
    } catch (const std::exception& problem) {
      std::fprintf(stderr, "solvane-replay: --check-sim: %s\n", problem.what());
      return 2;
    }
  }
  ReplayResult result = Replay(*recording, resources, check ? &*check : nullptr);
  if (check) {
    for (const std::string& difference : check->differences) {
      std::printf("simulator differs at %s\n", difference.c_str());
    }
    std::printf("simulator: %zu replies the same, %zu differ, %zu not comparable\n",
                check->compared, check->differences.size(), check->notComparable);
  }
  bool simulatorSame = !check || check->differences.empty();
  if (!result.divergence) {
    std::printf("same: %zu recorded calls replayed\n", result.linesReplayed);
    return simulatorSame ? 0 : 1;
  }
  const Divergence& difference = *result.divergence;
  if (difference.line == 0) {
    std::printf("differs past the end of the recording\n");
  } else {
    std::printf("differs at line %zu\n", difference.line);
  }
  std::printf("  recorded: %s\n  asked:    %s\n", difference.recorded.c_str(),
              difference.asked.c_str());
  return 1;
}
