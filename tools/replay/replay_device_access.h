#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>

#include "device/carried_images.h"
#include "device/device_access.h"
#include "device/run_recorder.h"
#include "tools/replay/call_formatter.h"
#include "tools/replay/recording_file.h"

namespace solvane {

// Where a replayed run first asked something other than the recording holds.
struct Divergence {
  size_t line = 0;  // of the recording; 0 past its end
  std::string recorded;
  std::string asked;
};

// The recorded calls in their order, which the replayed run's seams take one
// by one, and the first difference.
class ReplayScript {
 public:
  explicit ReplayScript(std::deque<RecordedLine> lines) : lines_(std::move(lines)) {}

  // The next recorded line when it is the call `asked`, equal on `keys`; none
  // after a difference, which is kept when it is the first.
  std::optional<RecordedLine> Take(const nlohmann::ordered_json& asked,
                                   std::initializer_list<const char*> keys);
  void Report(size_t line, std::string recorded, std::string asked) {
    if (!first) {
      first = Divergence{line, std::move(recorded), std::move(asked)};
    }
  }
  const std::deque<RecordedLine>& left() const { return lines_; }

  std::optional<Divergence> first;

 private:
  std::deque<RecordedLine> lines_;
};

// Told what the replayed run sent and what it was answered, in order.
class ReplayObserver {
 public:
  virtual ~ReplayObserver() = default;
  virtual void Opened() = 0;
  virtual void Sent(std::span<const uint8_t> request) = 0;
  virtual void Answered(const RecordedLine& reply, uint32_t capacity) = 0;
};

// The writer as the recording holds it, on virtual time: each call gets the
// recorded result and reply once it asks what was asked then (code,
// parameters and payload digest). After the first difference every call fails
// with 31, the device not working, so the run ends as with a broken writer.
class ReplayDeviceAccess final : public DeviceAccess {
 public:
  ReplayDeviceAccess(ReplayScript& script, const ResourceSource& resources);
  ~ReplayDeviceAccess() override;

  uint32_t EnumerateInterface(const InterfaceClassGuid& interfaceClass,
                              uint32_t index,
                              std::string& devicePath) override;
  uint32_t Open(const std::string& devicePath, std::unique_ptr<DeviceHandle>& handle) override;

  void SetObserver(ReplayObserver* observer) { observer_ = observer; }

  uint32_t Write(const uint8_t* data, uint32_t size, uint32_t& written);
  uint32_t Read(uint8_t* buffer, uint32_t capacity, uint32_t& read);
  uint32_t Control(uint32_t controlCode);
  uint32_t Close();

 private:
  // The next recorded call when it is the one asked (the last line the
  // formatter wrote), compared on `keys`.
  std::optional<RecordedLine> Take(std::initializer_list<const char*> keys);

  std::vector<uint8_t> ReplyOf(const nlohmann::ordered_json& fields);

  ReplayScript& script_;
  CarriedImages carried_;
  ReplayObserver* observer_ = nullptr;
  std::unique_ptr<CallFormatter> asked_;  // the call just asked
};

}  // namespace solvane
