#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>

namespace solvane {

// The writer's files as far as the updater meets them: which names exist, which
// one the host holds open, whether a job file is open on the writer itself and
// whether a realtime session runs (its file "REALTIME.000" can then be opened).
class WriterFiles {
 public:
  static constexpr uint32_t kFileOpenBit = 1;
  static constexpr uint32_t kRealtimeBit = 2;
  static constexpr const char* kRealtimeFile = "REALTIME.000";

  WriterFiles(std::set<std::string> names, bool realtimeActive, bool jobOpen);

  bool Open(const std::string& name);
  void Close();
  // The host's open file closes; the writer's own job and realtime go on.
  void Restart();
  // The reasons the writer refuses to program itself: 0 or kFileOpenBit | kRealtimeBit.
  uint32_t BusyBits() const;

  const std::set<std::string>& names() const { return names_; }
  bool realtimeActive() const { return realtimeActive_; }
  bool jobOpen() const { return jobOpen_; }
  const std::optional<std::string>& openFile() const { return openFile_; }

 private:
  std::set<std::string> names_;
  bool realtimeActive_;
  bool jobOpen_;
  std::optional<std::string> openFile_;
};

}  // namespace solvane
