#include "tests/update/fault_matrix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/engine_harness.h"
#include "tests/update/writer_components.h"

// Unoptimised or under the sanitizers a run takes more than ten times as long;
// such a build runs every Nth cell (tests/CMakeLists.txt).
#ifndef SOLVANE_FAULT_MATRIX_STRIDE
#define SOLVANE_FAULT_MATRIX_STRIDE 1
#endif

namespace solvane::engine_test {

namespace {

constexpr uint32_t kCellStride = SOLVANE_FAULT_MATRIX_STRIDE;
constexpr std::string_view kSuccessBox =
    "Successfully updated the Solvane/Solvane II.\n           Click OK to Exit.";
constexpr std::string_view kClosingLine = " - Exiting\n";
constexpr size_t kLogsShown = 8;

// Any success message, also one that names another model.
bool ShowedSuccess(const RecordingWindow& window) {
  return std::any_of(window.boxes.begin(), window.boxes.end(), [](const Box& box) {
    return box.text.starts_with("Successfully updated the ");
  });
}

bool NamedTheWriter(const RecordingWindow& window) {
  return std::any_of(window.boxes.begin(), window.boxes.end(),
                     [](const Box& box) { return box.text == kSuccessBox; });
}

bool ShowedError(const RecordingWindow& window) {
  return std::any_of(window.boxes.begin(), window.boxes.end(),
                     [](const Box& box) { return box.caption == "Error" && box.style == 0x10; });
}

bool LogClosed(const Engine& engine) {
  return engine.log.contents.ends_with(kClosingLine);
}

// Taken once and given back once; lifted before a success box.
bool GuardGivenBack(const std::vector<std::string>& calls, bool success) {
  return success ? calls == std::vector<std::string>{"Begin", "Relax", "End"}
                 : calls == std::vector<std::string>{"Begin", "End"};
}

bool AnyLineStartsWith(const std::vector<std::string>& lines, std::string_view start) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return line.starts_with(start); });
}

// What is wrong with a component after a run that showed success: nothing when
// it holds the carried image, or its old content where a rule let the run skip
// it (a current version reported, no WiFi partition at the first check, a
// writer X-Loader text not older; the application code is always sent).
std::string WrongAfterSuccess(Component component,
                              Holding holding,
                              const std::vector<std::string>& lines) {
  if (holding == Holding::kCarried) {
    return "";
  }
  std::string name = NameOf(component);
  if (AnyLineStartsWith(lines, SendingLinePrefix(component))) {
    return "the " + name + " logged as sent but " + NameOf(holding);
  }
  if (holding == Holding::kDamaged) {
    return "the " + name + " damaged";
  }
  if (component == Component::kApplicationCode ||
      (component == Component::kXLoader && !AnyLineStartsWith(lines, "Has newer version: "))) {
    return "the " + name + " not sent";
  }
  return "";
}

// What decides a run of the writer: everything it holds but its display.
uint64_t StateKey(const WriterState& state, bool restarting) {
  auto bytes = [](const std::vector<uint8_t>& content) {
    return std::hash<std::string_view>()(
        std::string_view(reinterpret_cast<const char*>(content.data()), content.size()));
  };
  auto pending = [](const std::optional<PendingImage>& image) {
    return image ? std::to_string(image->valid) + "," + std::to_string(image->versionWord) + "," +
                       std::to_string(image->build)
                 : std::string("-");
  };
  const WriterIdentity& id = state.identity;
  std::string text;
  for (uint64_t value :
       {uint64_t{id.machineType}, uint64_t{id.applicationVersion}, uint64_t{id.applicationBuild},
        uint64_t{id.applicationValid}, uint64_t{id.bootMode}, uint64_t{id.bootVersion},
        uint64_t{id.bootBuild}, uint64_t{id.secondaryBootVersion}, uint64_t{id.secondaryBootBuild},
        uint64_t{state.xLoaderIntact}, static_cast<uint64_t>(state.clockOffsetSeconds),
        uint64_t{restarting}, bytes(state.xLoader), bytes(state.wifi), bytes(state.sensorFlash)}) {
    text += std::to_string(value) + ";";
  }
  text += pending(state.pendingApplication) + ";" + pending(state.pendingBoot);
  for (const std::string& file : state.files) {
    text += ";" + file;
  }
  return std::hash<std::string>()(text);
}

// Every step's bar ended, however the step ended, and none took more than its total.
bool BarsEnded(const RecordingProgress& progress) {
  return std::all_of(
      progress.bars.begin(), progress.bars.end(),
      [](const RecordingProgress::Bar& bar) { return bar.ended && bar.advanced <= bar.total; });
}

}  // namespace

FaultMatrix::FaultMatrix(std::string title, WriterState writer)
    : title_(std::move(title)), before_(std::move(writer)) {}

void FaultMatrix::RunAll(const std::vector<FaultCell>& cells) {
  for (const FaultCell& cell : cells) {
    if (cellsGenerated_++ % kCellStride == 0) {
      Run(cell);
    }
  }
}

void FaultMatrix::Run(const FaultCell& cell) {
  ++cells_;
  WriterState state = before_;
  state.jobOpen = cell.jobOpen;
  state.realtimeActive = cell.realtimeActive;
  Engine engine(std::move(state), cell.faults);
  engine.Start();
  engine.PressGo();

  bool success = ShowedSuccess(engine.window);
  if (success && !NamedTheWriter(engine.window)) {
    Problem(cell, "success shown for another model", engine.log.contents);
  }
  if (success) {
    ++successes_;
  } else if (ShowedError(engine.window)) {
    ++failuresShown_;
  } else {
    Problem(cell, "the run stopped without an error message", engine.log.contents);
  }
  if (!LogClosed(engine)) {
    Problem(cell, "the log does not end with its closing line", engine.log.contents);
  }
  if (!BarsEnded(engine.progress)) {
    Problem(cell, "a progress bar was left up or filled past its total", engine.log.contents);
  }
  if (!GuardGivenBack(engine.runGuard.calls, success)) {
    Problem(cell, "the run's guard was not taken and given back", engine.log.contents);
  }
  WriterState after = engine.writer.State();
  if (!ProtectedMemoryKept(after, before_)) {
    Problem(cell, "memory outside the components changed", engine.log.contents);
  }
  std::vector<std::string> lines = engine.LogLines();
  for (Component component : kComponents) {
    std::string wrong = WrongAfterSuccess(component, HoldingOf(component, after, before_), lines);
    if (success && !wrong.empty()) {
      Problem(cell, "success shown with " + wrong, engine.log.contents);
    }
  }

  bool restarting = engine.writer.restartRequested();
  if (restarting && !engine.writer.memory().XLoaderBootable()) {
    ++cannotRestart_;
    return;
  }
  // Without the fault: no job or realtime, and the writer is its own model.
  after.jobOpen = after.realtimeActive = false;
  after.identity.machineType = before_.identity.machineType;
  const SecondRun& second = RunAgain(std::move(after), restarting);
  if (second.completed) {
    ++secondRunsCompleted_;
  } else {
    Problem(cell, "the second run did not complete the update: " + second.problem,
            engine.log.contents);
  }
}

// `restarting`: the writer is away for the restart the first run asked for; it
// comes back without that restart's fault.
const FaultMatrix::SecondRun& FaultMatrix::RunAgain(WriterState state, bool restarting) {
  auto [known, added] = secondRuns_.try_emplace(StateKey(state, restarting));
  SecondRun& second = known->second;
  if (!added) {
    return second;
  }
  Engine engine(std::move(state));
  if (restarting) {
    engine.writer.CompleteRestart();
  }
  engine.Start();
  engine.PressGo();
  WriterState after = engine.writer.State();
  std::string problem;
  if (!NamedTheWriter(engine.window)) {
    problem = "no success message";
  } else if (!LogClosed(engine)) {
    problem = "its log does not end with its closing line";
  } else if (!ProtectedMemoryKept(after, before_)) {
    problem = "memory outside the components changed";
  }
  for (Component component : kComponents) {
    Holding holding = HoldingOf(component, after, before_);
    if (problem.empty() && holding != Holding::kCarried) {
      problem = std::string("the ") + NameOf(component) + " is " + NameOf(holding);
    }
  }
  second.completed = problem.empty();
  if (!second.completed) {
    second.problem = problem + "; its log:\n" + engine.log.contents;
  }
  return second;
}

void FaultMatrix::Problem(const FaultCell& cell, const std::string& what, const std::string& log) {
  std::string text = title_ + ", cell \"" + cell.name + "\": " + what;
  if (problems_.size() < kLogsShown) {
    text += "\nlog of the run:\n" + log;
  }
  problems_.push_back(text);
}

void FaultMatrix::Report() const {
  std::string sample;
  if (kCellStride > 1) {
    sample =
        " (every " + std::to_string(kCellStride) + "th of " + std::to_string(cellsGenerated_) + ")";
  }
  std::printf(
      "fault matrix, %s: %u cells%s: %u success, %u failure shown, second run completed %u, "
      "writer cannot restart %u\n",
      title_.c_str(), cells_, sample.c_str(), successes_, failuresShown_, secondRunsCompleted_,
      cannotRestart_);
  std::fflush(stdout);
  for (const std::string& problem : problems_) {
    ADD_FAILURE() << problem;
  }
}

}  // namespace solvane::engine_test
