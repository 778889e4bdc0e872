#include "tools/replay/replay_inputs.h"

#include "app/kite_update_dlg.h"
#include "platform/message_boxes.h"

namespace solvane {

namespace {

// Texts as a recording holds them: each byte as the Latin-1 character of its value.
std::string Latin1(std::string_view text) {
  std::string utf8;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xC0 | (byte >> 6));
      utf8 += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}

class ReplayLogFile final : public LogFile {
 public:
  explicit ReplayLogFile(ReplayScript& script) : script_(script) {}

  bool Write(std::string_view bytes) override {
    std::optional<RecordedLine> write =
        script_.Take({{"call", "log"}, {"text", Latin1(bytes)}}, {"text"});
    return write && write->fields.value("written", true);
  }
  bool Flush() override { return true; }

 private:
  ReplayScript& script_;
};

}  // namespace

std::optional<std::string> ReplayLogStorage::DocumentsFolder() const {
  const std::deque<RecordedLine>& left = script_.left();
  if (left.empty() || left.front().call() != "logOpen") {
    return std::nullopt;
  }
  return std::string("/replay");
}

std::unique_ptr<LogFile> ReplayLogStorage::OpenUnshared(const std::string& /*path*/) {
  std::optional<RecordedLine> open = script_.Take({{"call", "logOpen"}}, {});
  if (!open || !open->fields.value("opened", false)) {
    return nullptr;
  }
  return std::make_unique<ReplayLogFile>(script_);
}

int64_t ReplayClock::Now() const {
  std::optional<RecordedLine> read = script_.Take({{"call", "now"}}, {});
  return read ? read->fields.value("time", int64_t{0}) : 0;
}

std::tm ReplayClock::LocalTime(int64_t time) const {
  std::tm local{};
  if (std::optional<RecordedLine> read =
          script_.Take({{"call", "localTime"}, {"time", time}}, {"time"})) {
    const nlohmann::ordered_json& tm = read->fields["tm"];
    local.tm_year = tm[0];
    local.tm_mon = tm[1];
    local.tm_mday = tm[2];
    local.tm_hour = tm[3];
    local.tm_min = tm[4];
    local.tm_sec = tm[5];
    local.tm_wday = tm[6];
    local.tm_yday = tm[7];
    local.tm_isdst = tm[8];
  }
  return local;
}

TimeZoneBiases ReplayClock::TimeZone() const {
  TimeZoneBiases zone;
  if (std::optional<RecordedLine> read = script_.Take({{"call", "timeZone"}}, {})) {
    zone.bias = read->fields.value("bias", 0);
    zone.standardBias = read->fields.value("standardBias", 0);
    zone.daylightBias = read->fields.value("daylightBias", 0);
  }
  return zone;
}

int ReplayWindow::MessageBox(std::string_view text, std::string_view caption, uint32_t style) {
  nlohmann::ordered_json asked = {
      {"call", "box"}, {"caption", Latin1(caption)}, {"style", style}, {"text", Latin1(text)}};
  int otherwise = (style & 0xF) == kMbYesNo ? kIdNo : kIdOk;
  std::optional<RecordedLine> box = script_.Take(asked, {"caption", "style", "text"});
  return box ? box->fields.value("answer", otherwise) : otherwise;
}

}  // namespace solvane
