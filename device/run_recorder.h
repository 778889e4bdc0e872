#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>

#include "device/carried_images.h"
#include "device/recording_sink.h"
#include "platform/message_boxes.h"
#include "platform/system_clock.h"

namespace solvane {

inline constexpr int kRecordingVersion = 2;

// Writes a run's recording: every device call and every input that decides
// the run, one JSON line each as it happens (the format is in
// device/RECORDING.md). Nothing in it identifies the user: device paths are
// left out, and read-backs of the carried images or of the WiFi partitions
// are kept as length and digest only.
class RunRecorder final : public AnswerObserver {
 public:
  // `steadyMs` times the calls; `carried` tells read-backs of the carried images.
  RunRecorder(RecordingSink& sink,
              std::function<uint64_t()> steadyMs,
              const ResourceSource& carried,
              std::string_view program);

  void Enumerate(uint32_t index, uint32_t result);
  void Open(uint32_t result);
  void Write(std::span<const uint8_t> packet, uint32_t result, uint32_t written);
  void Read(std::span<const uint8_t> packet, uint32_t capacity, uint32_t result);
  void Control(uint32_t controlCode, uint32_t result);
  void Close(uint32_t result);

  void Now(int64_t time);
  void LocalTime(int64_t time, const std::tm& local);
  void TimeZone(const TimeZoneBiases& zone);
  void Answered(std::string_view text,
                std::string_view caption,
                uint32_t style,
                int answer) override;
  // The update log: whether it opened (never its path: the user's folder),
  // and each write of it as the program wrote it.
  void LogOpen(bool opened);
  void LogWrite(std::string_view bytes, bool written);

 private:
  // A line begun with the call's name and the time since the previous line.
  std::string Begin(const char* call);
  void AppendPacket(std::string& line, std::span<const uint8_t> packet, bool request);
  void AppendReadBack(std::string& line, std::span<const uint8_t> payload);
  void NotePartition(std::span<const uint8_t> reply);

  struct Partition {
    uint32_t size;
    bool isPrivate;
  };

  RecordingSink& sink_;
  std::function<uint64_t()> steadyMs_;
  CarriedImages carried_;
  uint64_t lastMs_;
  uint16_t lastRequestCode_ = 0;
  uint32_t lastRequestParams_[5] = {};
  std::map<uint32_t, Partition> partitions_;  // by address, from the writer's answers
};

}  // namespace solvane
