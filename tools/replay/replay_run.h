#pragma once

#include <optional>
#include <string>
#include <vector>

#include "package/resource_source.h"
#include "tools/replay/recording_file.h"
#include "tools/replay/replay_device_access.h"

namespace solvane {

struct ReplayResult {
  std::optional<Divergence> divergence;  // none: the run behaved as recorded
  size_t linesReplayed = 0;
};

// Runs today's main dialog against a recording on virtual time, with the
// recorded clock, time zone and answers, pressing "&Go!" as often as the
// recorded run did, and says where it first behaved otherwise.
ReplayResult Replay(const Recording& recording,
                    const ResourceSource& resources,
                    ReplayObserver* observer = nullptr);

}  // namespace solvane
