#include "sim/state_store.h"

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <stdexcept>

namespace solvane {

namespace {

using nlohmann::json;

const char* const kStateFile = "state.json";
const char* const kXLoaderFile = "xloader.bin";
const char* const kWifiFile = "wifi.bin";
const char* const kSensorFile = "sensor.bin";

std::vector<uint8_t> ReadBlob(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot read " + path.string());
  }
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
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
  std::filesystem::rename(temporary, path);
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

std::optional<PendingImage> PendingFrom(const json& value) {
  if (value.is_null()) {
    return std::nullopt;
  }
  return PendingImage{value.at("valid"), value.at("version"), value.at("build")};
}

}  // namespace

std::optional<WriterState> StateStore::Load() const {
  std::filesystem::path folder(folder_);
  if (!std::filesystem::exists(folder / kStateFile)) {
    return std::nullopt;
  }
  std::ifstream in(folder / kStateFile);
  json document = json::parse(in);
  WriterState state;
  const json& identity = document.at("identity");
  state.identity.machineType = identity.at("machineType");
  state.identity.applicationVersion = identity.at("applicationVersion");
  state.identity.applicationBuild = identity.at("applicationBuild");
  state.identity.applicationValid = identity.at("applicationValid");
  state.identity.bootMode = identity.at("bootMode");
  state.identity.bootVersion = identity.at("bootVersion");
  state.identity.bootBuild = identity.at("bootBuild");
  state.identity.secondaryBootVersion = identity.at("secondaryBootVersion");
  state.identity.secondaryBootBuild = identity.at("secondaryBootBuild");
  state.pendingApplication = PendingFrom(document.at("pendingApplication"));
  state.pendingBoot = PendingFrom(document.at("pendingBoot"));
  state.sensorBuild = document.at("sensorBuild");
  state.sensorNewBuild = document.at("sensorNewBuild");
  state.clockOffsetSeconds = document.at("clockOffsetSeconds");
  state.files = document.at("files").get<std::set<std::string>>();
  state.realtimeActive = document.at("realtimeActive");
  state.xLoader = ReadBlob(folder / kXLoaderFile);
  state.wifi = ReadBlob(folder / kWifiFile);
  state.sensorFlash = ReadBlob(folder / kSensorFile);
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
      {"sensorBuild", state.sensorBuild},
      {"sensorNewBuild", state.sensorNewBuild},
      {"clockOffsetSeconds", state.clockOffsetSeconds},
      {"files", state.files},
      {"realtimeActive", state.realtimeActive},
  };
  WriteBlob(folder / kXLoaderFile, state.xLoader);
  WriteBlob(folder / kWifiFile, state.wifi);
  WriteBlob(folder / kSensorFile, state.sensorFlash);
  std::string text = document.dump(2) + "\n";
  WriteFile(folder / kStateFile, text.data(), text.size());
}

}  // namespace solvane
