#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>

namespace solvane {

// The writer's files as far as the updater meets them: which names exist, which
// one the host holds open, and whether a realtime session is running.
class WriterFiles {
 public:
  static constexpr uint32_t kFileOpenBit = 1;
  static constexpr uint32_t kRealtimeBit = 2;

  WriterFiles(std::set<std::string> names, bool realtimeActive);

  bool Open(const std::string& name);
  void Close();
  void Restart();
  // The reasons the writer refuses to program itself: 0 or kFileOpenBit | kRealtimeBit.
  uint32_t BusyBits() const;

  const std::set<std::string>& names() const { return names_; }
  bool realtimeActive() const { return realtimeActive_; }

 private:
  std::set<std::string> names_;
  bool realtimeActive_;
  std::optional<std::string> openFile_;
};

}  // namespace solvane
