#pragma once

#include <memory>
#include <string>

#include "app/updater_services.h"
#include "app/win32/module_string_resources.h"
#include "app/win32/version_resource_reader.h"
#include "device/windows_errors.h"
#include "package/win32/rcdata_resource_source.h"
#include "platform/virtual_clock.h"
#include "tests/win32/test_support.h"

namespace solvane::test {

// No writer is connected.
class NoWriters final : public DeviceAccess {
 public:
  uint32_t EnumerateInterface(const InterfaceClassGuid&, uint32_t, std::string&) override {
    return kErrorNoMoreItems;
  }
  uint32_t Open(const std::string&, std::unique_ptr<DeviceHandle>&) override {
    return kErrorFileNotFound;
  }
};

// The update log in memory.
class MemoryLogStorage final : public LogStorage {
 public:
  std::string contents;

  std::optional<std::string> DocumentsFolder() const override { return "C:\\Documents"; }
  std::string Join(const std::string& folder, std::string_view name) const override {
    return folder + "\\" + std::string(name);
  }
  std::unique_ptr<LogFile> OpenUnshared(const std::string&) override {
    return std::make_unique<File>(contents);
  }

 private:
  class File final : public LogFile {
   public:
    explicit File(std::string& contents) : contents_(contents) {}
    bool Write(std::string_view bytes) override {
      contents_ += bytes;
      return true;
    }
    bool Flush() override { return true; }

   private:
    std::string& contents_;
  };
};

// A clock that stands still, in a zone without daylight saving.
class StillClock final : public SystemClock {
 public:
  int64_t now = 1700000000;
  int64_t Now() const override { return now; }
  std::tm LocalTime(int64_t time) const override {
    std::time_t value = static_cast<std::time_t>(time);
    std::tm local{};
    gmtime_s(&local, &value);
    return local;
  }
  TimeZoneBiases TimeZone() const override { return {}; }
};

// The main dialog's services: no writer, the log in memory, and the strings,
// version and images of SolvaneUpdate.exe.
struct TestServices {
  NoWriters devices;
  VirtualClock waiter;
  StillClock clock;
  MemoryLogStorage log;
  RcdataResourceSource resources{ProductModule()};
  VersionResourceReader version{ProductPath()};
  ModuleStringResources strings{ProductModule()};
  NoProgress progress;

  UpdaterServices With(const SystemClock& someClock) {
    return {devices, waiter, someClock, log, resources, version, strings, progress};
  }
  UpdaterServices All() { return With(clock); }
};

}  // namespace solvane::test
