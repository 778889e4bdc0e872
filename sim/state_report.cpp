#include "sim/state_report.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>

#include "package/crc32.h"
#include "sim/latin1_text.h"
#include "sim/sensor_board.h"
#include "sim/sensor_code_block.h"
#include "sim/writer_memory.h"
#include "sim/xloader_header.h"

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

// A flash as large as the part it stands for, whatever the state holds.
std::vector<uint8_t> Sized(const std::vector<uint8_t>& content, size_t size) {
  std::vector<uint8_t> sized = content;
  sized.resize(size, 0xFF);
  return sized;
}

std::span<const uint8_t> WifiRange(std::span<const uint8_t> wifi, uint32_t address, uint32_t size) {
  return wifi.subspan(address - WriterMemory::kWifiBase, size);
}

json WifiReport(std::span<const uint8_t> wifi) {
  json regions = json::array();
  for (const FlashRegion& region : WriterMemory::kWifiRegions) {
    json entry = Region(WifiRange(wifi, region.address, region.size));
    entry["name"] = region.name;
    entry["address"] = Hex(region.address);
    entry["size"] = region.size;
    regions.push_back(entry);
  }
  Partition application = *WriterMemory::FindPartition(8);
  Partition nvs = *WriterMemory::FindPartition(9);
  return {{"application", Region(WifiRange(wifi, application.address, application.size))},
          {"nvs", Region(WifiRange(wifi, nvs.address, nvs.size))},
          {"regions", regions}};
}

// The range the sensor board procedure writes, from 0x80002000 up to one past
// the last byte that is not erased, as it finds it in an image.
json SensorReport(std::span<const uint8_t> flash) {
  std::span<const uint8_t> content = Content(flash);
  size_t end = std::max<size_t>(content.size(), SensorCodeBlock::kCodeStart + 1);
  std::span<const uint8_t> code =
      flash.subspan(SensorCodeBlock::kCodeStart, end - SensorCodeBlock::kCodeStart);
  return {{"build", SensorCodeBlock::BuildOf(flash)},
          {"codeIntact", SensorCodeBlock::Intact(flash)},
          {"loaderCrc", Hex(Crc32Of(flash.data(), SensorBoard::kLoaderSize))},
          {"codeStart", Hex(SensorBoard::kBase + SensorCodeBlock::kCodeStart)},
          {"codeLength", code.size()},
          {"codeCrc", Hex(Crc32Of(code.data(), code.size()))}};
}

json TextList(const std::vector<std::string>& texts) {
  json list = json::array();
  for (const std::string& text : texts) {
    list.push_back(Latin1ToUtf8(text));
  }
  return list;
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
  std::vector<uint8_t> partition = Sized(state.xLoader, WriterMemory::kXLoaderSize);
  bool bootable = state.xLoaderIntact && XLoaderHeader::Loadable(partition);
  json xLoader = Region(partition);
  xLoader["versionText"] = Latin1ToUtf8(XLoaderText(partition));
  xLoader["intact"] = state.xLoaderIntact;
  xLoader["bootable"] = bootable;
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
      {"startsAfterRestart", bootable},
      {"wifi", WifiReport(Sized(state.wifi, WriterMemory::kWifiSize))},
      {"sensorBoard", SensorReport(Sized(state.sensorFlash, SensorBoard::kSize))},
      {"display",
       {{"current", Latin1ToUtf8(state.displayText)}, {"shown", TextList(state.displayHistory)}}},
      {"clockOffsetSeconds", state.clockOffsetSeconds},
      {"files", TextList({state.files.begin(), state.files.end()})},
      {"realtimeActive", state.realtimeActive},
      {"jobOpen", state.jobOpen},
  };
}

}  // namespace solvane
