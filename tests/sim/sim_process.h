#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/posix/child_process.h"

namespace solvane::sim_test {

// solvane-writer-sim, as the build names its target.
inline std::filesystem::path SimProgramPath() {
  return SOLVANE_WRITER_SIM_PROGRAM;
}

struct ProgramResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs the program to its end; one that would keep serving is stopped after 20 s.
inline ProgramResult RunSimProgram(const std::vector<std::string>& arguments) {
  std::vector<std::string> command = {"timeout", "20", SimProgramPath().string()};
  command.insert(command.end(), arguments.begin(), arguments.end());
  ChildProcess program(command);
  int exitCode = program.Finish();
  return {exitCode, program.output, program.error};
}

// The program serving in the background.
class SimProcess {
 public:
  explicit SimProcess(const std::vector<std::string>& arguments) : process_(Command(arguments)) {}
  ~SimProcess() { Stop(); }

  // Reads its error output until it has said in a whole line that it serves, or ends.
  bool WaitUntilServing() { return process_.ReadErrorUntil("serving on"); }
  // Ends it with SIGTERM; its exit code.
  int Stop() { return process_.Terminate(); }
  const std::string& errors() const { return process_.error; }

 private:
  static std::vector<std::string> Command(const std::vector<std::string>& arguments) {
    std::vector<std::string> command = {SimProgramPath().string()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
  }
  ChildProcess process_;
};

}  // namespace solvane::sim_test
