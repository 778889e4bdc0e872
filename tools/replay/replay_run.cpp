#include "tools/replay/replay_run.h"

#include "app/kite_update_dlg.h"
#include "app/posix/built_in_string_resources.h"
#include "app/posix/configured_product_version_reader.h"
#include "tests/support/virtual_clock.h"
#include "tools/replay/replay_inputs.h"

namespace solvane {

namespace {

// More presses than any recorded run needs.
constexpr int kMostRuns = 64;

}  // namespace

ReplayResult Replay(const Recording& recording,
                    const ResourceSource& resources,
                    ReplayObserver* observer) {
  ReplayScript script({recording.lines.begin(), recording.lines.end()});
  ReplayDeviceAccess devices(script, resources);
  devices.SetObserver(observer);
  ReplayClock clock(script);
  ReplayWindow window(script);
  VirtualClock waiter;
  ReplayLogStorage log(script);
  ConfiguredProductVersionReader version;
  BuiltInStringResources strings;
  NoProgress progress;
  UpdaterServices services{devices, waiter, clock, log, resources, version, strings, progress};
  CKiteUpdate100Dlg dialog(services);
  dialog.Attach(window);
  dialog.OnInitDialog();
  for (int run = 0; run < kMostRuns && !script.left().empty() && !window.ended && !script.first;
       ++run) {
    size_t before = script.left().size();
    dialog.OnCommand(kGoButton);
    if (script.left().size() == before) {
      break;
    }
  }
  if (!script.first && !script.left().empty()) {
    const RecordedLine& next = script.left().front();
    script.Report(next.number, next.fields.dump(), "nothing: the run ended");
  }
  ReplayResult result;
  result.divergence = script.first;
  result.linesReplayed = recording.lines.size() - script.left().size();
  return result;
}

}  // namespace solvane
