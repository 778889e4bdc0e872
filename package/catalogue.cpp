#include "package/catalogue.h"

#include <array>

namespace solvane {

namespace {

constexpr CatalogueEntry NameOnly(uint32_t type, const char* name) {
  return CatalogueEntry{type, name, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
}

// Types 18 to 20 carry a package; their rows differ only in their WiFi images.
constexpr CatalogueEntry WithPackage(uint32_t type,
                                     const char* name,
                                     uint32_t bootVersion,
                                     uint32_t bootBuild,
                                     uint32_t applicationVersion,
                                     uint32_t applicationBuild,
                                     uint32_t wifiApplicationImage,
                                     uint32_t wifiNvsImage) {
  return CatalogueEntry{
      .machineType = type,
      .modelName = name,
      .bootVersion = bootVersion,
      .bootBuild = bootBuild,
      .applicationVersion = applicationVersion,
      .applicationBuild = applicationBuild,
      .bootModeApplicationVersion = 0,
      .spare8 = 0,
      .sensorBoardImage = 174,
      .sensorBoardMinimumBuild = 14760,
      .firstFontImage = 172,
      .secondFontImage = 173,
      .displayBitmapImage = 171,
      .spare14 = 0,
      .spare15 = 0,
      .applicationImage = 169,
      .bootImage = 170,
      .xLoaderImage = 189,
      .wifiApplicationImage = wifiApplicationImage,
      .wifiNvsImage = wifiNvsImage,
  };
}

constexpr std::array<CatalogueEntry, kCatalogueSize> kCatalogue = {
    NameOnly(0, "Not Real"),
    NameOnly(1, "Venn Kite"),
    NameOnly(2, "Venn Tessel"),
    NameOnly(3, "Venn Kite R2"),
    NameOnly(4, "Venn Kite S3"),
    NameOnly(5, "Quillon Braid"),
    NameOnly(6, "Quillon Warden"),
    NameOnly(7, "Venn Tessel Student"),
    NameOnly(8, "Venn Tessel Professional"),
    NameOnly(9, "Venn Tessel Student QK"),
    NameOnly(10, "Venn Tessel Professional QK"),
    NameOnly(11, "Quillon Warden Full"),
    NameOnly(12, "Venn Tessel Student"),
    NameOnly(13, "Venn Tessel Professional"),
    NameOnly(14, "Venn Tessel Student QK"),
    NameOnly(15, "Venn Tessel Professional QK"),
    NameOnly(16, "Sorrel"),
    NameOnly(17, "Crest"),
    WithPackage(18, "Marlowe Diag", 0, 0, 0, 0, 190, 191),
    WithPackage(19, "Solvane/Solvane II", 0x01000000, 35673, 0x02000000, 35675, 190, 191),
    WithPackage(20, "Solvane Captioner/Student", 0x01000000, 35673, 0x02000000, 35675, 0, 0),
    NameOnly(21, "Sensor Board (reserved)"),
};

constexpr CatalogueEntry ReleaseRow(uint32_t type,
                                    const char* name,
                                    uint32_t applicationVersion,
                                    uint32_t applicationBuild) {
  CatalogueEntry row = NameOnly(type, name);
  row.applicationVersion = applicationVersion;
  row.applicationBuild = applicationBuild;
  return row;
}

constexpr std::array<CatalogueEntry, 3> kReleaseList = {
    ReleaseRow(19, "Solvane/Solvane II", 0x02000000, 35675),
    ReleaseRow(20, "Solvane Captioner/Student", 0x02000000, 35675),
    NameOnly(0, ""),
};

// What a type beyond the table gets: the link stores types up to 22.
constexpr CatalogueEntry kEmptyRow = NameOnly(0, "");

constexpr uint32_t kFirstAcceptedType = 18;
constexpr uint32_t kLastAcceptedType = 20;

struct Type3Range {
  uint32_t machineType;
  uint32_t firstVersion;
  uint32_t lastVersion;
};
constexpr std::array<Type3Range, 2> kReportedAsType3 = {{{4, 0x50, 0x53}, {5, 0x60, 0x62}}};

}  // namespace

bool IsAcceptedMachineType(uint32_t machineType) {
  return machineType >= kFirstAcceptedType && machineType <= kLastAcceptedType;
}

uint32_t TypeReportedAsType3(uint32_t versionWord) {
  for (const Type3Range& range : kReportedAsType3) {
    if (versionWord >= range.firstVersion && versionWord <= range.lastVersion) {
      return range.machineType;
    }
  }
  return 3;
}

const char* ModelName(uint32_t machineType) {
  return machineType < kCatalogue.size() ? kCatalogue[machineType].modelName : "UnKnown";
}

const CatalogueEntry& CatalogueRow(uint32_t machineType) {
  return machineType < kCatalogue.size() ? kCatalogue[machineType] : kEmptyRow;
}

std::span<const CatalogueEntry> ReleaseList() {
  return kReleaseList;
}

}  // namespace solvane
