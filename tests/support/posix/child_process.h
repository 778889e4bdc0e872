#pragma once

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

namespace solvane {

// A program started with pipes on its standard input, output and error; it
// inherits this process's environment and is killed if still running when
// this ends. A first argument without a slash is looked up on the PATH.
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
    if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
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
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

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

  // Runs `body` in a copy of this process, for code that must meet itself in
  // another process; the copy's exit code is what `body` returns.
  static int RunInCopy(const std::function<int()>& body) {
    pid_t child = fork();
    if (child == 0) {
      _exit(body());
    }
    return ExitCode(child);
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
  bool ReadOutputUntil(const std::string& text) { return ReadUntil(output_, output, text); }
  // Reads the error output until a whole line of it holds `text`, or it ends.
  bool ReadErrorUntil(const std::string& text) {
    while (true) {
      size_t said = error.find(text);
      if (said != std::string::npos && error.find('\n', said) != std::string::npos) {
        return true;
      }
      if (!ReadFrom(error_, error)) {
        return false;
      }
    }
  }

  // Closes the input, reads both outputs to their end and returns the exit code.
  int Finish() {
    if (input_ >= 0) {
      CloseInput();
    }
    std::array<pollfd, 2> fds{{{output_, POLLIN, 0}, {error_, POLLIN, 0}}};
    for (int open = 2; open > 0;) {
      if (poll(fds.data(), fds.size(), -1) < 0) {
        break;
      }
      for (size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].fd >= 0 && fds[i].revents != 0 &&
            !ReadFrom(fds[i].fd, i == 0 ? output : error)) {
          fds[i].fd = -1;
          --open;
        }
      }
    }
    return Wait();
  }

  // Ends it with SIGTERM; its exit code (also when it had ended already).
  int Terminate() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      Wait();
    }
    return exitCode_;
  }

  std::string output;
  std::string error;

 private:
  static bool ReadUntil(int fd, std::string& into, const std::string& text) {
    while (into.find(text) == std::string::npos) {
      if (!ReadFrom(fd, into)) {
        return false;
      }
    }
    return true;
  }
  static bool ReadFrom(int fd, std::string& into) {
    char buffer[4096];
    ssize_t got = read(fd, buffer, sizeof(buffer));
    if (got <= 0) {
      return false;
    }
    into.append(buffer, static_cast<size_t>(got));
    return true;
  }
  static int ExitCode(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  int Wait() {
    exitCode_ = ExitCode(pid_);
    pid_ = -1;
    return exitCode_;
  }

  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  int error_ = -1;
  int exitCode_ = -1;
};

}  // namespace solvane
