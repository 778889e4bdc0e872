#pragma once

#include <functional>
#include <memory>
#include <string>

#include "sim/sim_writer.h"

namespace solvane {

// Puts a SimWriter where the updater looks for a writer and carries its
// packets and restarts: a Unix socket on POSIX, a named pipe behind a device
// interface on Windows.
class WriterServer {
 public:
  virtual ~WriterServer() = default;

  // Takes the writer's place; false when it cannot, or another server holds it.
  virtual bool Listen() = 0;
  // Serves until Stop, listening first if Listen was not called; false when the
  // writer's place cannot be taken again after a restart.
  virtual bool Run() = 0;
  // Safe from another thread and from a signal handler.
  virtual void Stop() = 0;
  // Where the updater finds the writer, for messages.
  virtual std::string Where() const = 0;
};

// The platform's server for the writer named `name`. `afterRestart` runs each
// time the writer has come back. Throws InputError when `name` cannot be served.
std::unique_ptr<WriterServer> MakeWriterServer(SimWriter& writer,
                                               const std::string& name,
                                               bool realTiming,
                                               std::function<void()> afterRestart);

}  // namespace solvane
