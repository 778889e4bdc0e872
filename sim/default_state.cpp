#include "sim/default_state.h"

#include <algorithm>
#include <cstring>

#include "device/packet_header.h"
#include "sim/sensor_board.h"
#include "sim/sensor_code_block.h"
#include "sim/writer_memory.h"

namespace solvane {

namespace {

// Deterministic filler, so that every fresh writer holds the same bytes.
void Fill(std::vector<uint8_t>& content, size_t offset, size_t length, uint32_t seed) {
  uint32_t x = seed;
  for (size_t i = 0; i < length; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    content[offset + i] = static_cast<uint8_t>(x);
  }
}

// An opaque WiFi image: its first word counts the bytes behind it.
void PlaceWifiImage(std::vector<uint8_t>& wifi, uint32_t address, uint32_t length, uint32_t seed) {
  size_t offset = address - WriterMemory::kWifiBase;
  StoreLe32(wifi.data() + offset, length - 4);
  Fill(wifi, offset + 4, length - 4, seed);
}

}  // namespace

WriterState DefaultWriterState(const std::string& xLoaderVersion) {
  WriterState state;

  constexpr uint32_t kXLoaderLength = 30000;
  state.xLoader.assign(WriterMemory::kXLoaderSize, 0xFF);
  StoreLe32(state.xLoader.data(), kXLoaderLength - 8);
  StoreLe32(state.xLoader.data() + 4, 0x40200800);
  Fill(state.xLoader, 8, kXLoaderLength - 8, 0x5EED0189);
  std::string text = "X-Loader " + xLoaderVersion + " (";
  text.resize(std::min<size_t>(text.size(), kXLoaderLength - 0x400 - 1));
  std::memcpy(state.xLoader.data() + 0x400, text.c_str(), text.size() + 1);

  state.wifi.assign(WriterMemory::kWifiSize, 0xFF);
  Fill(state.wifi, 0, 0x8000, 0x5EED0B00);                     // module boot loader
  PlaceWifiImage(state.wifi, 0x01020000, 900, 0x5EED0191);     // NVS
  Fill(state.wifi, 0x40000, 0x1000, 0x5EED0CA1);               // calibration data
  PlaceWifiImage(state.wifi, 0x01100000, 270000, 0x5EED0190);  // application
  PlaceWifiImage(state.wifi, 0x01200000, 260000, 0x5EED0290);  // spare slot

  state.sensorFlash.assign(SensorBoard::kSize, 0xFF);
  Fill(state.sensorFlash, 0, SensorBoard::kLoaderSize, 0x5EED0B01);  // the board's own loader
  Fill(state.sensorFlash, SensorCodeBlock::kCodeStart,
       SensorCodeBlock::kEnd - SensorCodeBlock::kCodeStart, 0x5EED0174);  // older scanner code
  SensorCodeBlock::Seal(state.sensorFlash, kOlderSensorBuild);
  return state;
}

}  // namespace solvane
