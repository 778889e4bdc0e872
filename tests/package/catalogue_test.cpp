#include "package/catalogue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace solvane {
namespace {

TEST(ModelName, NamesEveryTypeAndUnknownBeyond) {
  const char* const names[] = {"Not Real",
                               "Venn Kite",
                               "Venn Tessel",
                               "Venn Kite R2",
                               "Venn Kite S3",
                               "Quillon Braid",
                               "Quillon Warden",
                               "Venn Tessel Student",
                               "Venn Tessel Professional",
                               "Venn Tessel Student QK",
                               "Venn Tessel Professional QK",
                               "Quillon Warden Full",
                               "Venn Tessel Student",
                               "Venn Tessel Professional",
                               "Venn Tessel Student QK",
                               "Venn Tessel Professional QK",
                               "Sorrel",
                               "Crest",
                               "Marlowe Diag",
                               "Solvane/Solvane II",
                               "Solvane Captioner/Student",
                               "Sensor Board (reserved)",
                               "UnKnown"};
  for (uint32_t type = 0; type <= 22; ++type) {
    EXPECT_STREQ(ModelName(type), names[type]) << type;
  }
  EXPECT_STREQ(ModelName(0xFFFFFFFF), "UnKnown");
}

TEST(ModelName, TypesTwelveToFifteenRepeatSevenToTen) {
  for (uint32_t type = 12; type <= 15; ++type) {
    EXPECT_STREQ(ModelName(type), ModelName(type - 5)) << type;
  }
}

TEST(CatalogueRow, RowsIndexTheirOwnType) {
  for (uint32_t type = 0; type < kCatalogueSize; ++type) {
    EXPECT_EQ(CatalogueRow(type).machineType, type);
    EXPECT_STREQ(CatalogueRow(type).modelName, ModelName(type));
  }
}

TEST(CatalogueRow, OnlyTheServedTypesCarryImages) {
  for (uint32_t type = 0; type < kCatalogueSize; ++type) {
    const CatalogueEntry& row = CatalogueRow(type);
    bool served = type >= 18 && type <= 20;
    EXPECT_EQ(row.applicationImage != 0, served) << type;
    EXPECT_EQ(row.sensorBoardImage != 0, served) << type;
    EXPECT_EQ(row.spare8 | row.spare14 | row.spare15, 0u);
  }
}

TEST(CatalogueRow, SolvaneRowsCarryTheRelease) {
  for (uint32_t type : {19u, 20u}) {
    const CatalogueEntry& row = CatalogueRow(type);
    EXPECT_EQ(row.bootVersion, 0x01000000u);
    EXPECT_EQ(row.bootBuild, 35673u);
    EXPECT_EQ(row.applicationVersion, 0x02000000u);
    EXPECT_EQ(row.applicationBuild, 35675u);
    EXPECT_EQ(row.bootModeApplicationVersion, 0u);
    EXPECT_EQ(row.sensorBoardImage, 174u);
    EXPECT_EQ(row.sensorBoardMinimumBuild, 14760u);
    EXPECT_EQ(row.firstFontImage, 172u);
    EXPECT_EQ(row.secondFontImage, 173u);
    EXPECT_EQ(row.displayBitmapImage, 171u);
    EXPECT_EQ(row.applicationImage, 169u);
    EXPECT_EQ(row.bootImage, 170u);
    EXPECT_EQ(row.xLoaderImage, 189u);
  }
  EXPECT_EQ(CatalogueRow(19).wifiApplicationImage, 190u);
  EXPECT_EQ(CatalogueRow(19).wifiNvsImage, 191u);
  EXPECT_EQ(CatalogueRow(20).wifiApplicationImage, 0u);
  EXPECT_EQ(CatalogueRow(20).wifiNvsImage, 0u);
}

TEST(CatalogueRow, MarloweDiagHasImagesButNoVersions) {
  const CatalogueEntry& row = CatalogueRow(18);
  EXPECT_EQ(row.machineType, 18u);
  EXPECT_STREQ(row.modelName, "Marlowe Diag");
  EXPECT_EQ(row.bootVersion, 0u);
  EXPECT_EQ(row.bootBuild, 0u);
  EXPECT_EQ(row.applicationVersion, 0u);
  EXPECT_EQ(row.applicationBuild, 0u);
  EXPECT_EQ(row.bootModeApplicationVersion, 0u);
  EXPECT_EQ(row.spare8, 0u);
  EXPECT_EQ(row.sensorBoardImage, 174u);
  EXPECT_EQ(row.sensorBoardMinimumBuild, 14760u);
  EXPECT_EQ(row.firstFontImage, 172u);
  EXPECT_EQ(row.secondFontImage, 173u);
  EXPECT_EQ(row.displayBitmapImage, 171u);
  EXPECT_EQ(row.spare14, 0u);
  EXPECT_EQ(row.spare15, 0u);
  EXPECT_EQ(row.applicationImage, 169u);
  EXPECT_EQ(row.bootImage, 170u);
  EXPECT_EQ(row.xLoaderImage, 189u);
  EXPECT_EQ(row.wifiApplicationImage, 190u);
  EXPECT_EQ(row.wifiNvsImage, 191u);
}

TEST(CatalogueRow, TypeBeyondTheTableGetsAnEmptyRow) {
  for (uint32_t type : {22u, 23u, 0xFFFFFFFFu}) {
    const CatalogueEntry& row = CatalogueRow(type);
    EXPECT_STREQ(row.modelName, "");
    EXPECT_EQ(row.applicationImage | row.bootImage | row.xLoaderImage | row.sensorBoardImage |
                  row.wifiApplicationImage | row.wifiNvsImage | row.applicationVersion |
                  row.applicationBuild | row.sensorBoardMinimumBuild,
              0u);
  }
}

TEST(ReleaseList, ListsBothSolvaneModelsThenEnds) {
  auto list = ReleaseList();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].machineType, 19u);
  EXPECT_STREQ(list[0].modelName, "Solvane/Solvane II");
  EXPECT_EQ(list[1].machineType, 20u);
  EXPECT_STREQ(list[1].modelName, "Solvane Captioner/Student");
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(list[i].applicationVersion, 0x02000000u);
    EXPECT_EQ(list[i].applicationBuild, 35675u);
  }
  EXPECT_STREQ(list[2].modelName, "");
}

}  // namespace
}  // namespace solvane
