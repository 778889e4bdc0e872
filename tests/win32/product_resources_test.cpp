// The resources of SolvaneUpdate.exe, read back from the exe value by value,
// and the DLLs and protections its PE headers ask of Windows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "app/program_version.h"
#include "app/win32/module_string_resources.h"
#include "app/win32/version_resource_reader.h"
#include "package/win32/rcdata_resource_source.h"
#include "tests/win32/dialog_template.h"
#include "tests/win32/test_support.h"

namespace solvane {
namespace {

using test::DialogItem;
using test::ProductModule;

constexpr int kButton = 0x80;
constexpr int kStatic = 0x82;
constexpr uint32_t kNoId = 0xFFFFFFFF;

void ExpectItem(const DialogItem& item,
                uint32_t id,
                int windowClass,
                const char* text,
                int16_t x,
                int16_t y,
                int16_t cx,
                int16_t cy,
                uint32_t style) {
  SCOPED_TRACE(id);
  EXPECT_EQ(item.id, id);
  EXPECT_EQ(item.windowClass.ordinal, windowClass);
  EXPECT_EQ(item.text.name, text);
  EXPECT_EQ(item.text.ordinal, -1);
  EXPECT_EQ((std::vector<int16_t>{item.x, item.y, item.cx, item.cy}),
            (std::vector<int16_t>{x, y, cx, cy}));
  EXPECT_EQ(item.style, style);
  EXPECT_EQ(item.exStyle, 0u);
}

TEST(ProductResources, MainDialogTemplate102) {
  ASSERT_NE(ProductModule(), nullptr);
  auto dialog = test::ReadDialogTemplate(ProductModule(), 102);
  ASSERT_TRUE(dialog);
  // Popup, visible, caption, system menu, modal frame, with its font.
  EXPECT_EQ(dialog->style, 0x90C800C0u);
  EXPECT_EQ(dialog->exStyle, 0x00040000u);  // shown in the task bar
  EXPECT_EQ((std::vector<int16_t>{dialog->x, dialog->y, dialog->cx, dialog->cy}),
            (std::vector<int16_t>{0, 0, 320, 202}));
  EXPECT_EQ(dialog->menu.ordinal, -1);
  EXPECT_EQ(dialog->menu.name, "");
  EXPECT_EQ(dialog->windowClass.name, "");
  EXPECT_EQ(dialog->title, "Kite Update - Version x.xx");
  EXPECT_EQ(dialog->pointSize, 8);
  EXPECT_EQ(dialog->typeface, "MS Sans Serif");
  ASSERT_EQ(dialog->items.size(), 4u);
  // Template order is tab order: "&Quit" first.
  ExpectItem(dialog->items[0], 2, kButton, "&Quit", 168, 181, 50, 14, 0x50010000);
  ExpectItem(dialog->items[1], 1001, kButton, "&USB", 102, 181, 50, 14, 0x50010001);
  // Centred, sunken, bordered, a group.
  ExpectItem(dialog->items[2], 1002, kStatic, "", 19, 63, 282, 99, 0x50821001);
  const DialogItem& banner = dialog->items[3];
  EXPECT_EQ(banner.id, 1019u);
  EXPECT_EQ(banner.windowClass.ordinal, kStatic);
  EXPECT_EQ(banner.text.ordinal, 133);
  EXPECT_EQ((std::vector<int16_t>{banner.x, banner.y, banner.cx, banner.cy}),
            (std::vector<int16_t>{21, 17, 278, 38}));
  // A bitmap at its own size, centred.
  EXPECT_EQ(banner.style, 0x50000A0Eu);
}

TEST(ProductResources, AboutBoxTemplate100) {
  auto dialog = test::ReadDialogTemplate(ProductModule(), 100);
  ASSERT_TRUE(dialog);
  EXPECT_EQ(dialog->style, 0x80C800C0u);
  EXPECT_EQ(dialog->exStyle, 0u);
  EXPECT_EQ((std::vector<int16_t>{dialog->x, dialog->y, dialog->cx, dialog->cy}),
            (std::vector<int16_t>{0, 0, 277, 54}));
  EXPECT_EQ(dialog->title, "About KiteUpdate");
  EXPECT_EQ(dialog->pointSize, 8);
  EXPECT_EQ(dialog->typeface, "MS Sans Serif");
  ASSERT_EQ(dialog->items.size(), 4u);
  const DialogItem& icon = dialog->items[0];
  EXPECT_EQ(icon.id, kNoId);
  EXPECT_EQ(icon.windowClass.ordinal, kStatic);
  EXPECT_EQ(icon.text.ordinal, 128);
  EXPECT_EQ((std::vector<int16_t>{icon.x, icon.y, icon.cx, icon.cy}),
            (std::vector<int16_t>{11, 17, 20, 20}));
  EXPECT_EQ(icon.style, 0x50000003u);
  // No prefix characters, a group.
  ExpectItem(dialog->items[1], 1003, kStatic, "BraidUpdate Version x.xx", 40, 10, 209, 8,
             0x50020080);
  const DialogItem& notice = dialog->items[2];
  EXPECT_EQ(notice.id, kNoId);
  EXPECT_THAT(notice.text.name, ::testing::StartsWith("Copyright (C) "));
  EXPECT_EQ((std::vector<int16_t>{notice.x, notice.y, notice.cx, notice.cy}),
            (std::vector<int16_t>{40, 25, 165, 8}));
  EXPECT_EQ(notice.style, 0x50020000u);
  ExpectItem(dialog->items[3], 1, kButton, "OK", 220, 7, 50, 14, 0x50030001);
}

TEST(ProductResources, StringsMenuEntryAndApplicationName) {
  ModuleStringResources strings(ProductModule());
  EXPECT_EQ(strings.Load(101), "&About Solvane Update...");
  EXPECT_EQ(strings.Load(57344), "Solvane Update");
  EXPECT_EQ(strings.Load(102), "");
}

template <typename T>
T At(const std::vector<uint8_t>& bytes, size_t offset) {
  T value{};
  if (offset + sizeof(T) <= bytes.size()) {
    std::memcpy(&value, bytes.data() + offset, sizeof(T));
  }
  return value;
}

TEST(ProductResources, IconAndBannerOfTheirSizesIn32Bits) {
  auto group = test::ResourceBytes(ProductModule(), MAKEINTRESOURCEA(14), 128);
  ASSERT_TRUE(group);
  EXPECT_EQ(At<uint16_t>(*group, 4), 1);   // one image
  EXPECT_EQ(At<uint8_t>(*group, 6), 123);  // width
  EXPECT_EQ(At<uint8_t>(*group, 7), 92);   // height
  EXPECT_EQ(At<uint16_t>(*group, 12), 32);
  auto icon = test::ResourceBytes(ProductModule(), MAKEINTRESOURCEA(3), At<uint16_t>(*group, 18));
  ASSERT_TRUE(icon);
  EXPECT_EQ(At<int32_t>(*icon, 4), 123);
  EXPECT_EQ(At<int32_t>(*icon, 8), 2 * 92);  // the colours and the mask
  EXPECT_EQ(At<uint16_t>(*icon, 14), 32);

  auto banner = test::ResourceBytes(ProductModule(), MAKEINTRESOURCEA(2), 133);
  ASSERT_TRUE(banner);
  EXPECT_EQ(At<int32_t>(*banner, 4), 340);
  EXPECT_EQ(At<int32_t>(*banner, 8), 92);
  EXPECT_EQ(At<uint16_t>(*banner, 14), 32);
}

TEST(ProductResources, ManifestAsInvokerWithoutUiAccessDpiAware) {
  auto manifest = test::ResourceBytes(ProductModule(), MAKEINTRESOURCEA(24), 1);
  ASSERT_TRUE(manifest);
  std::string text(manifest->begin(), manifest->end());
  EXPECT_THAT(text, ::testing::HasSubstr(
                        "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"));
  EXPECT_THAT(text, ::testing::HasSubstr("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/"
                                         "WindowsSettings\">true</dpiAware>"));
}

std::string VersionString(const std::vector<uint8_t>& info, const char* name) {
  void* value = nullptr;
  UINT length = 0;
  std::string query = std::string("\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueA(info.data(), query.c_str(), &value, &length) || value == nullptr) {
    return "(missing)";
  }
  return static_cast<const char*>(value);
}

TEST(ProductResources, VersionResource) {
  DWORD unused = 0;
  DWORD size = GetFileVersionInfoSizeA(test::ProductPath(), &unused);
  ASSERT_GT(size, 0u);
  std::vector<uint8_t> info(size);
  ASSERT_TRUE(GetFileVersionInfoA(test::ProductPath(), 0, size, info.data()));

  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", &value, &length));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwFileVersionMS, (1u << 16) | 35675u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, (1u << 16) | 35675u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  EXPECT_EQ(fixed->dwFileType, 1u);  // an application
  EXPECT_EQ(fixed->dwFileOS, 4u);    // 32-bit Windows

  EXPECT_EQ(VersionString(info, "FileVersion"), "1.35675.0.0");
  EXPECT_EQ(VersionString(info, "ProductVersion"), "1.35675.0.0");
  EXPECT_EQ(VersionString(info, "Comments"), "Build 35675");
  EXPECT_EQ(VersionString(info, "FileDescription"), "SolvaneUpdate");
  EXPECT_EQ(VersionString(info, "InternalName"), "SolvaneUpdate");
  EXPECT_EQ(VersionString(info, "ProductName"), "SolvaneUpdate");
  EXPECT_EQ(VersionString(info, "OriginalFilename"), "SolvaneUpdate.exe");
  EXPECT_NE(VersionString(info, "CompanyName"), "(missing)");
  EXPECT_NE(VersionString(info, "LegalCopyright"), "(missing)");

  ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(static_cast<const uint16_t*>(value)[0], 0x0409);
  EXPECT_EQ(static_cast<const uint16_t*>(value)[1], 0x04B0);
}

TEST(ProductResources, BuildStringFromTheVersionResourceOrZeroWithout) {
  std::string build;
  FormatBuildString(VersionResourceReader(test::ProductPath()), build);
  EXPECT_EQ(build, "35675");

  // The test program itself carries no version resource.
  uint32_t high = 7, low = 9;
  EXPECT_FALSE(VersionResourceReader().ReadProductVersion(high, low));
  EXPECT_EQ(high, 7u);
  EXPECT_EQ(low, 9u);
  FormatBuildString(VersionResourceReader(), build);
  EXPECT_EQ(build, "0");
}

TEST(ProductResources, TheNineImagesAreTheNativeBuildsContainers) {
  RcdataResourceSource resources(ProductModule());
  for (uint32_t id : {169, 170, 171, 172, 173, 174, 189, 190, 191}) {
    SCOPED_TRACE(id);
    auto container = test::ReadFileBytes(test::ContainerPath(id));
    ASSERT_TRUE(container);
    auto resource = resources.Find(id);
    ASSERT_TRUE(resource);
    EXPECT_TRUE(
        std::equal(resource->begin(), resource->end(), container->begin(), container->end()));
  }
  EXPECT_FALSE(resources.Find(168));
  EXPECT_FALSE(resources.Find(101));  // a string, not an image
}

// The file offset of a relative virtual address, 0 when no section holds it.
size_t FileOffset(const std::vector<uint8_t>& exe, size_t headers, uint32_t rva) {
  auto nt = At<IMAGE_NT_HEADERS64>(exe, headers);
  size_t section =
      headers + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
  for (int i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
    auto header = At<IMAGE_SECTION_HEADER>(exe, section + i * sizeof(IMAGE_SECTION_HEADER));
    if (rva >= header.VirtualAddress && rva < header.VirtualAddress + header.SizeOfRawData) {
      return rva - header.VirtualAddress + header.PointerToRawData;
    }
  }
  return 0;
}

std::string NameAt(const std::vector<uint8_t>& exe, size_t offset) {
  std::string name;
  while (offset != 0 && offset < exe.size() && exe[offset] != 0 && name.size() < 260) {
    name += static_cast<char>(exe[offset++]);
  }
  return name;
}

// A DLL that is not a known DLL is looked for beside the exe first, so the
// exe names only these two in its import table and loads the rest itself.
TEST(ProductResources, ImportsOnlyKernel32AndTheCRuntimeWithAslrAndDep) {
  auto exe = test::ReadFileBytes(test::ProductPath());
  ASSERT_TRUE(exe);
  size_t headers = At<uint32_t>(*exe, 0x3C);
  auto nt = At<IMAGE_NT_HEADERS64>(*exe, headers);
  ASSERT_EQ(nt.Signature, 0x4550u);  // "PE\0\0"
  ASSERT_EQ(nt.OptionalHeader.Magic, 0x20B);
  // High-entropy ASLR 0x20, ASLR 0x40, DEP 0x100.
  EXPECT_EQ(nt.OptionalHeader.DllCharacteristics & 0x160, 0x160);

  std::vector<std::string> imported;
  size_t descriptor = FileOffset(*exe, headers, nt.OptionalHeader.DataDirectory[1].VirtualAddress);
  ASSERT_NE(descriptor, 0u);
  for (;; descriptor += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    auto import = At<IMAGE_IMPORT_DESCRIPTOR>(*exe, descriptor);
    if (import.Name == 0) {
      break;
    }
    imported.push_back(NameAt(*exe, FileOffset(*exe, headers, import.Name)));
  }
  EXPECT_EQ(imported, (std::vector<std::string>{"KERNEL32.dll", "msvcrt.dll"}));
}

}  // namespace
}  // namespace solvane
