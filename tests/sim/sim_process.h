#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace solvane::sim_test {

// solvane-writer-sim from the same build tree as this test program.
inline std::filesystem::path SimProgramPath() {
  return std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "sim" /
         "solvane-writer-sim";
}

struct ProgramResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

inline std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs the program to its end; one that would keep serving is stopped after 20 s.
inline ProgramResult RunSimProgram(const std::vector<std::string>& arguments,
                                   const std::filesystem::path& scratch) {
  std::string command = "timeout 20 " + SimProgramPath().string();
  for (const std::string& argument : arguments) {
    std::string quoted = "'";
    for (char c : argument) {
      quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    command += " " + quoted + "'";
  }
  command += " >" + (scratch / "out.txt").string() + " 2>" + (scratch / "err.txt").string();
  int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadWhole(scratch / "out.txt"),
          ReadWhole(scratch / "err.txt")};
}

// The program serving in the background, its error output through a pipe.
class SimProcess {
 public:
  explicit SimProcess(const std::vector<std::string>& arguments) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
      return;
    }
    std::string program = SimProgramPath().string();
    std::vector<char*> argv = {program.data()};
    std::vector<std::string> copies = arguments;
    for (std::string& argument : copies) {
      argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    errFd_ = pipeFds[0];
  }
  ~SimProcess() {
    Stop();
    if (errFd_ >= 0) {
      close(errFd_);
    }
  }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // Reads its error output until it has said in a whole line that it serves, or ends.
  bool WaitUntilServing() {
    char buffer[256];
    while (true) {
      size_t said = errors_.find("serving on");
      if (said != std::string::npos && errors_.find('\n', said) != std::string::npos) {
        return true;
      }
      ssize_t got = read(errFd_, buffer, sizeof(buffer));
      if (got <= 0) {
        return false;
      }
      errors_.append(buffer, static_cast<size_t>(got));
    }
  }

  // Ends it with SIGTERM; its exit code.
  int Stop() {
    if (pid_ <= 0) {
      return exitCode_;
    }
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return exitCode_;
  }

  const std::string& errors() const { return errors_; }

 private:
  pid_t pid_ = -1;
  int errFd_ = -1;
  int exitCode_ = -1;
  std::string errors_;
};

}  // namespace solvane::sim_test
