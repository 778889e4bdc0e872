#pragma once

#include <cstdint>
#include <span>

namespace solvane {

// One row of the machine catalogue: twenty 32-bit words in the program's own
// layout. Version words pack major, minor, patch and beta from the top byte down.
struct CatalogueEntry {
  uint32_t machineType;
  const char* modelName;
  uint32_t bootVersion;
  uint32_t bootBuild;
  uint32_t applicationVersion;
  uint32_t applicationBuild;
  uint32_t bootModeApplicationVersion;
  uint32_t spare8;
  uint32_t sensorBoardImage;
  uint32_t sensorBoardMinimumBuild;
  uint32_t firstFontImage;
  uint32_t secondFontImage;
  uint32_t displayBitmapImage;
  uint32_t spare14;
  uint32_t spare15;
  uint32_t applicationImage;
  uint32_t bootImage;
  uint32_t xLoaderImage;
  uint32_t wifiApplicationImage;
  uint32_t wifiNvsImage;
};

// A version word's major, minor and patch bytes, and its beta byte (0 for a
// release).
inline unsigned Major(uint32_t version) {
  return version >> 24;
}
inline unsigned Minor(uint32_t version) {
  return (version >> 16) & 0xFF;
}
inline unsigned Patch(uint32_t version) {
  return (version >> 8) & 0xFF;
}
inline unsigned Beta(uint32_t version) {
  return version & 0xFF;
}

// The catalogue has 22 rows, machine types 0 to 21. The link stores a reported
// type above 22 as 22, the highest machine type, which names no row.
inline constexpr uint32_t kCatalogueSize = 22;
inline constexpr uint32_t kHighestMachineType = 22;

// The machine types an update run accepts, 18 to 20; it names and refuses all
// others.
bool IsAcceptedMachineType(uint32_t machineType);

// The early boot code of types 4 and 5 reports type 3, told apart by its
// version word: 0x50 to 0x53 is type 4, 0x60 to 0x62 type 5. The type behind
// such a report; 3 for any other version word.
uint32_t TypeReportedAsType3(uint32_t versionWord);

// The display name of a machine type; "UnKnown" above 21.
const char* ModelName(uint32_t machineType);

// The row of a machine type from 0 to 21; an all-zero row (empty model name)
// for any larger type.
const CatalogueEntry& CatalogueRow(uint32_t machineType);

// The release list shown in the intro text, ended by a row with an empty model
// name.
std::span<const CatalogueEntry> ReleaseList();

}  // namespace solvane
