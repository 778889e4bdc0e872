// solvane-replay FILE: runs today's update engine against a recorded run and
// says whether it behaved the same; exit status 0 the same, 1 not, 2 bad input.
#include <cstdio>

#include "package/posix/linked_resource_source.h"
#include "tools/replay/replay_run.h"

int main(int argc, char** argv) {
  using namespace solvane;
  if (argc != 2) {
    std::fprintf(stderr, "Usage: solvane-replay FILE\n");
    return 2;
  }
  std::string error;
  std::optional<Recording> recording = ReadRecording(argv[1], error);
  if (!recording) {
    std::fprintf(stderr, "solvane-replay: %s\n", error.c_str());
    return 2;
  }
  LinkedResourceSource resources;
  ReplayResult result = Replay(*recording, resources);
  if (!result.divergence) {
    std::printf("same: %zu recorded calls replayed\n", result.linesReplayed);
    return 0;
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
