#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "log/log_storage.h"

namespace solvane {

// The documents folder in memory: one file, which can be held by another
// program or made to fail its writes.
class MemoryLogStorage final : public LogStorage {
 public:
  class File final : public LogFile {
   public:
    explicit File(MemoryLogStorage& storage) : storage_(storage) { storage_.open = true; }
    ~File() override { storage_.open = false; }
    bool Write(std::string_view bytes) override {
      if (storage_.failWritesAfter && storage_.writes >= *storage_.failWritesAfter) {
        return false;
      }
      ++storage_.writes;
      storage_.contents += bytes;
      return true;
    }
    bool Flush() override {
      ++storage_.flushes;
      return true;
    }

   private:
    MemoryLogStorage& storage_;
  };

  std::optional<std::string> DocumentsFolder() const override { return folder; }
  std::string Join(const std::string& dir, std::string_view name) const override {
    return dir + "/" + std::string(name);
  }
  std::unique_ptr<LogFile> OpenUnshared(const std::string& path) override {
    openedPaths.push_back(path);
    if (heldElsewhere || open) {
      return nullptr;
    }
    return std::make_unique<File>(*this);
  }

  std::optional<std::string> folder = std::string("/home/reporter/Documents");
  std::string contents;
  bool heldElsewhere = false;
  bool open = false;
  std::optional<int> failWritesAfter;
  int writes = 0;
  int flushes = 0;
  std::vector<std::string> openedPaths;
};

}  // namespace solvane
