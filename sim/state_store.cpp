#include "sim/state_store.h"

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "sim/latin1_text.h"
#include "sim/sensor_board.h"
#include "sim/writer_memory.h"

namespace solvane {

namespace {

using nlohmann::json;

const char* const kStateFile = "state.json";
const char* const kXLoaderFile = "xloader.bin";
const char* const kWifiFile = "wifi.bin";
const char* const kSensorFile = "sensor.bin";

// Reads state.json strictly: every value must have its type and range, and an
// error names the file and the key.
class StateReader {
 public:
  explicit StateReader(std::string file) : file_(std::move(file)) {}

  const json& At(const json& object, const std::string& path, const char* key) const {
    if (!object.is_object() || !object.contains(key)) {
      Fail(path + key, "is missing");
    }
    return object.at(key);
  }

  uint32_t Unsigned(const json& object, const std::string& path, const char* key) const {
    const json& value = At(object, path, key);
    if (!value.is_number_unsigned() || value.get<uint64_t>() > 0xFFFFFFFF) {
      Fail(path + key, "must be a whole number from 0 to 4294967295, not " + value.dump());
    }
    return value.get<uint32_t>();
  }

  // The writer's clock offset: its clock is 32-bit seconds.
  int64_t Offset(const json& object, const std::string& path, const char* key) const {
    constexpr int64_t kLimit = 0xFFFFFFFF;
    const json& value = At(object, path, key);
    bool fits = value.is_number_unsigned()  ? value.get<uint64_t>() <= uint64_t{kLimit}
                : value.is_number_integer() ? value.get<int64_t>() >= -kLimit
                                            : false;
    if (!fits) {
      Fail(path + key,
           "must be a whole number from -4294967295 to 4294967295, not " + value.dump());
    }
    return value.get<int64_t>();
  }

  bool Bool(const json& object, const std::string& path, const char* key) const {
    const json& value = At(object, path, key);
    if (!value.is_boolean()) {
      Fail(path + key, "must be true or false, not " + value.dump());
    }
    return value.get<bool>();
  }

  std::string Text(const json& value, const std::string& path) const {
    std::optional<std::string> text;
    if (value.is_string()) {
      text = Utf8ToLatin1(value.get<std::string>());
    }
    if (!text) {
      Fail(path, "must be a text of Latin-1 characters, not " + value.dump());
    }
    return *text;
  }

  std::vector<std::string> Texts(const json& value, const std::string& path) const {
    if (!value.is_array()) {
      Fail(path, "must be a list of texts, not " + value.dump());
    }
    std::vector<std::string> texts;
    for (size_t i = 0; i < value.size(); ++i) {
      texts.push_back(Text(value[i], path + "[" + std::to_string(i) + "]"));
    }
    return texts;
  }

  std::optional<PendingImage> Pending(const json& object, const char* key) const {
    const json& value = At(object, "", key);
    if (value.is_null()) {
      return std::nullopt;
    }
    std::string path = std::string(key) + ".";
    return PendingImage{Bool(value, path, "valid"), Unsigned(value, path, "version"),
                        Unsigned(value, path, "build")};
  }

  [[noreturn]] void Fail(const std::string& key, const std::string& problem) const {
    throw std::runtime_error(file_ + ": " + key + " " + problem);
  }

 private:
  std::string file_;
};

std::vector<uint8_t> ReadBlob(const std::filesystem::path& path, size_t size, const char* what) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot read " + path.string());
  }
  std::vector<uint8_t> blob(std::istreambuf_iterator<char>(in), {});
  if (blob.size() != size) {
    throw std::runtime_error(path.string() + " holds " + std::to_string(blob.size()) + " bytes; " +
                             what + " has " + std::to_string(size));
  }
  return blob;
}

// Written beside the target and renamed, so a stopped sim never leaves half a file.
void WriteFile(const std::filesystem::path& path, const char* data, size_t size) {
  std::filesystem::path temporary = path;
  temporary += ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(data, static_cast<std::streamsize>(size));
    if (!out) {
      throw std::runtime_error("cannot write " + temporary.string());
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    throw std::runtime_error("cannot write " + path.string() + ": " + error.message());
  }
}

void WriteBlob(const std::filesystem::path& path, const std::vector<uint8_t>& blob) {
  WriteFile(path, reinterpret_cast<const char*>(blob.data()), blob.size());
}

json PendingJson(const std::optional<PendingImage>& pending) {
  if (!pending) {
    return nullptr;
  }
  return {{"valid", pending->valid}, {"version", pending->versionWord}, {"build", pending->build}};
}

json TextsJson(const std::vector<std::string>& texts) {
  json list = json::array();
  for (const std::string& text : texts) {
    list.push_back(Latin1ToUtf8(text));
  }
  return list;
}

}  // namespace

std::optional<WriterState> StateStore::Load() const {
  std::filesystem::path folder(folder_);
  std::filesystem::path statePath = folder / kStateFile;
  if (!std::filesystem::exists(statePath)) {
    return std::nullopt;
  }
  std::ifstream in(statePath);
  if (!in) {
    throw std::runtime_error("cannot read " + statePath.string());
  }
  json document = json::parse(in, nullptr, false);
  if (document.is_discarded()) {
    throw std::runtime_error(statePath.string() + " is not JSON");
  }
  StateReader read(statePath.string());
  WriterState state;
  const json& identity = read.At(document, "", "identity");
  const std::string at = "identity.";
  state.identity.machineType = read.Unsigned(identity, at, "machineType");
  state.identity.applicationVersion = read.Unsigned(identity, at, "applicationVersion");
  state.identity.applicationBuild = read.Unsigned(identity, at, "applicationBuild");
  state.identity.applicationValid = read.Bool(identity, at, "applicationValid");
  state.identity.bootMode = read.Bool(identity, at, "bootMode");
  state.identity.bootVersion = read.Unsigned(identity, at, "bootVersion");
  state.identity.bootBuild = read.Unsigned(identity, at, "bootBuild");
  state.identity.secondaryBootVersion = read.Unsigned(identity, at, "secondaryBootVersion");
  state.identity.secondaryBootBuild = read.Unsigned(identity, at, "secondaryBootBuild");
  state.pendingApplication = read.Pending(document, "pendingApplication");
  state.pendingBoot = read.Pending(document, "pendingBoot");
  // States saved before the writer kept these load as an intact loader and a blank display.
  if (document.contains("xLoaderIntact")) {
    state.xLoaderIntact = read.Bool(document, "", "xLoaderIntact");
  }
  if (document.contains("display")) {
    const json& display = document.at("display");
    state.displayText = read.Text(read.At(display, "display.", "current"), "display.current");
    state.displayHistory = read.Texts(read.At(display, "display.", "shown"), "display.shown");
  }
  state.clockOffsetSeconds = read.Offset(document, "", "clockOffsetSeconds");
  std::vector<std::string> files = read.Texts(read.At(document, "", "files"), "files");
  state.files = std::set<std::string>(files.begin(), files.end());
  state.xLoader =
      ReadBlob(folder / kXLoaderFile, WriterMemory::kXLoaderSize, "the X-Loader partition");
  state.wifi = ReadBlob(folder / kWifiFile, WriterMemory::kWifiSize, "the WiFi flash");
  state.sensorFlash =
      ReadBlob(folder / kSensorFile, SensorBoard::kSize, "the sensor board's flash");
  return state;
}

void StateStore::Save(const WriterState& state) const {
  std::filesystem::path folder(folder_);
  std::filesystem::create_directories(folder);
  const WriterIdentity& identity = state.identity;
  json document = {
      {"identity",
       {{"machineType", identity.machineType},
        {"applicationVersion", identity.applicationVersion},
        {"applicationBuild", identity.applicationBuild},
        {"applicationValid", identity.applicationValid},
        {"bootMode", identity.bootMode},
        {"bootVersion", identity.bootVersion},
        {"bootBuild", identity.bootBuild},
        {"secondaryBootVersion", identity.secondaryBootVersion},
        {"secondaryBootBuild", identity.secondaryBootBuild}}},
      {"pendingApplication", PendingJson(state.pendingApplication)},
      {"pendingBoot", PendingJson(state.pendingBoot)},
      {"xLoaderIntact", state.xLoaderIntact},
      {"display",
       {{"current", Latin1ToUtf8(state.displayText)}, {"shown", TextsJson(state.displayHistory)}}},
      {"clockOffsetSeconds", state.clockOffsetSeconds},
      {"files", TextsJson({state.files.begin(), state.files.end()})},
  };
  WriteBlob(folder / kXLoaderFile, state.xLoader);
  WriteBlob(folder / kWifiFile, state.wifi);
  WriteBlob(folder / kSensorFile, state.sensorFlash);
  std::string text = document.dump(2) + "\n";
  WriteFile(folder / kStateFile, text.data(), text.size());
}

}  // namespace solvane
