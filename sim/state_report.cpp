#include "sim/state_report.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>

#include "package/crc32.h"
#include "sim/writer_memory.h"

namespace solvane {

namespace {

using nlohmann::json;

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08X", value);
  return text;
}

std::string Version(uint32_t word) {
  char text[32];
  std::snprintf(text, sizeof(text), "%X.%02X.%02X", word >> 24, (word >> 16) & 0xFF,
                (word >> 8) & 0xFF);
  std::string result = text;
  if ((word & 0xFF) != 0) {
    std::snprintf(text, sizeof(text), " Beta %X", word & 0xFF);
    result += text;
  }
  return result;
}

// The bytes up to the last one that is not erased.
std::span<const uint8_t> Content(std::span<const uint8_t> region) {
  size_t end = region.size();
  while (end > 0 && region[end - 1] == 0xFF) {
    --end;
  }
  return region.first(end);
}

json Region(std::span<const uint8_t> region) {
  std::span<const uint8_t> content = Content(region);
  return {{"crc", Hex(Crc32Of(region.data(), region.size()))},
          {"contentLength", content.size()},
          {"contentCrc", Hex(Crc32Of(content.data(), content.size()))}};
}

std::string XLoaderText(std::span<const uint8_t> partition) {
  static const char kMarker[] = "X-Loader ";
  auto found = std::search(partition.begin(), partition.end(), kMarker, kMarker + 9);
  if (found == partition.end()) {
    return "";
  }
  return std::string(found, std::find(found, partition.end(), uint8_t{0}));
}

std::span<const uint8_t> WifiPartition(const WriterState& state, uint32_t selector) {
  Partition partition = *WriterMemory::FindPartition(selector);
  return std::span<const uint8_t>(state.wifi)
      .subspan(partition.address - WriterMemory::kWifiBase, partition.size);
}

json Pending(const std::optional<PendingImage>& pending) {
  if (!pending) {
    return nullptr;
  }
  return {{"valid", pending->valid},
          {"version", Version(pending->versionWord)},
          {"build", pending->build}};
}

}  // namespace

json StateReport(const WriterState& state) {
  const WriterIdentity& identity = state.identity;
  json xLoader = Region(state.xLoader);
  xLoader["versionText"] = XLoaderText(state.xLoader);
  std::span<const uint8_t> sensorCode = Content(std::span<const uint8_t>(state.sensorFlash));
  size_t sensorEnd = std::max<size_t>(sensorCode.size(), 0x2001);
  uint32_t sensorCrc = Crc32Of(state.sensorFlash.data() + 0x2000, sensorEnd - 0x2000);
  return {
      {"machineType", identity.machineType},
      {"bootMode", identity.bootMode},
      {"application",
       {{"valid", identity.applicationValid},
        {"version", Version(identity.applicationVersion)},
        {"build", identity.applicationBuild},
        {"pending", Pending(state.pendingApplication)}}},
      {"boot",
       {{"version", Version(identity.bootVersion)},
        {"build", identity.bootBuild},
        {"secondaryVersion", Version(identity.secondaryBootVersion)},
        {"secondaryBuild", identity.secondaryBootBuild},
        {"pending", Pending(state.pendingBoot)}}},
      {"xLoader", xLoader},
      {"wifi",
       {{"application", Region(WifiPartition(state, 8))},
        {"nvs", Region(WifiPartition(state, 9))}}},
      {"sensorBoard",
       {{"build", state.sensorBuild},
        {"newBuild", state.sensorNewBuild},
        {"codeLength", sensorEnd - 0x2000},
        {"codeCrc", Hex(sensorCrc)}}},
      {"clockOffsetSeconds", state.clockOffsetSeconds},
      {"files", state.files},
      {"realtimeActive", state.realtimeActive},
  };
}

}  // namespace solvane
