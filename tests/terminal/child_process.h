#pragma once

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace solvane::terminal_test {

// A program started with pipes on its standard input, output and error; it
// inherits this process's environment.
class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& arguments) {
    int in[2], out[2], err[2];
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) {
      return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) {
      posix_spawn_file_actions_addclose(&actions, fd);
    }
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
      argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    input_ = in[1];
    output_ = out[0];
    error_ = err[0];
  }

  ~ChildProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      Wait();
    }
    for (int fd : {input_, output_, error_}) {
      if (fd >= 0) {
        close(fd);
      }
    }
  }

  bool started() const { return pid_ > 0; }

  void Send(const std::string& text) {
    ssize_t written = write(input_, text.data(), text.size());
    (void)written;
  }
  void Signal(int number) { kill(pid_, number); }
  void CloseInput() {
    close(input_);
    input_ = -1;
  }

  // Reads the output until it holds `text` or ends; false when it ended first.
  bool ReadOutputUntil(const std::string& text) {
    while (output.find(text) == std::string::npos) {
      if (!ReadSome()) {
        return false;
      }
    }
    return true;
  }
  bool ReadErrorUntil(const std::string& text) {
    while (error.find(text) == std::string::npos) {
      if (!ReadFrom(error_, error)) {
        return false;
      }
    }
    return true;
  }

  // Closes the input, reads both outputs to their end and returns the exit code.
  int Finish() {
    if (input_ >= 0) {
      CloseInput();
    }
    while (ReadSome()) {
    }
    while (ReadFrom(error_, error)) {
    }
    return Wait();
  }

  void Terminate() {
    kill(pid_, SIGTERM);
    Wait();
  }

  std::string output;
  std::string error;

 private:
  bool ReadSome() { return ReadFrom(output_, output); }

  static bool ReadFrom(int fd, std::string& into) {
    char buffer[4096];
    ssize_t got = read(fd, buffer, sizeof(buffer));
    if (got <= 0) {
      return false;
    }
    into.append(buffer, static_cast<size_t>(got));
    return true;
  }

  int Wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  int error_ = -1;
};

}  // namespace solvane::terminal_test
