#include "device/win32/setup_api_device_access.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "device/kite_usb.h"
#include "tests/support/recording_message_boxes.h"
#include "tests/win32/fake_windows.h"

namespace solvane {
namespace {

using test::FakeWindows;
using ::testing::ElementsAre;

class SetupApiLink : public ::testing::Test {
 protected:
  FakeWindows windows;
  SetupApiDeviceAccess access{windows, windows};
  RecordingMessageBoxes boxes;
  CKiteUsb usb{access, windows, boxes};

  // The size the first detail call asked for: cbSize, the path and its zero.
  std::string DetailAllocation() const {
    return "Allocate " + std::to_string(4 + windows.devicePath.size() + 1);
  }
};

TEST_F(SetupApiLink, OpensTheFirstPresentInterfaceOfTheWriterClass) {
  EXPECT_EQ(usb.Open(), 0u);
  EXPECT_TRUE(usb.IsOpen());

  // {202E68C5-5980-4A60-B761-77C4DE9D5DBF}, present device interfaces (0x12).
  const GUID writerClass = {
      0x202E68C5, 0x5980, 0x4A60, {0xB7, 0x61, 0x77, 0xC4, 0xDE, 0x9D, 0x5D, 0xBF}};
  EXPECT_TRUE(IsEqualGUID(windows.classGuid, writerClass));
  EXPECT_TRUE(IsEqualGUID(windows.enumeratedGuid, writerClass));
  EXPECT_EQ(windows.classFlags, 0x12u);
  // The record sizes of a 64-bit build.
  EXPECT_EQ(windows.interfaceDataSize, 32u);
  EXPECT_EQ(windows.detailRecordSize, 8u);
  EXPECT_EQ(windows.detailBufferSize, 4 + windows.devicePath.size() + 1);
  // Read and write, shared for reading and writing, an existing file, normal.
  EXPECT_EQ(windows.createdPath, windows.devicePath);
  EXPECT_EQ(windows.createAccess, 0xC0000000u);
  EXPECT_EQ(windows.createShare, 3u);
  EXPECT_EQ(windows.createDisposition, 3u);
  EXPECT_EQ(windows.createAttributes, 0x80u);
  EXPECT_THAT(windows.journal, ElementsAre("GetClassDevs", "EnumDeviceInterfaces 0",
                                           "GetDeviceInterfaceDetail without buffer",
                                           DetailAllocation(), "GetDeviceInterfaceDetail", "Free",
                                           "DestroyDeviceInfoList", "CreateFile"));
}

TEST_F(SetupApiLink, ClassListThatCannotBeMadeEndsTheOpenWithItsError) {
  windows.classListError = ERROR_ACCESS_DENIED;
  EXPECT_EQ(usb.Open(), 5u);
  EXPECT_FALSE(usb.IsOpen());
  EXPECT_THAT(windows.journal, ElementsAre("GetClassDevs"));
}

TEST_F(SetupApiLink, EveryFailureAfterTheClassListDestroysIt) {
  windows.enumerateError = ERROR_NO_MORE_ITEMS;
  EXPECT_EQ(usb.Open(), 259u);
  EXPECT_THAT(windows.journal,
              ElementsAre("GetClassDevs", "EnumDeviceInterfaces 0", "DestroyDeviceInfoList"));

  windows.journal.clear();
  windows.enumerateError = 0;
  windows.firstDetailError = ERROR_INVALID_PARAMETER;
  EXPECT_EQ(usb.Open(), 87u);
  EXPECT_EQ(windows.journal.back(), "DestroyDeviceInfoList");

  windows.journal.clear();
  windows.firstDetailError = ERROR_INSUFFICIENT_BUFFER;
  windows.allocationFails = true;
  EXPECT_EQ(usb.Open(), 8u);
  EXPECT_EQ(windows.journal.back(), "DestroyDeviceInfoList");

  windows.journal.clear();
  windows.allocationFails = false;
  windows.detailError = ERROR_GEN_FAILURE;
  EXPECT_EQ(usb.Open(), 31u);
  EXPECT_THAT(windows.journal,
              ElementsAre("GetClassDevs", "EnumDeviceInterfaces 0",
                          "GetDeviceInterfaceDetail without buffer", DetailAllocation(),
                          "GetDeviceInterfaceDetail", "Free", "DestroyDeviceInfoList"));
  EXPECT_FALSE(usb.IsOpen());
}

TEST_F(SetupApiLink, FirstDetailCallThatNeedsNoRoomGivesNoPath) {
  windows.firstDetailSucceeds = true;
  windows.firstDetailError = 0;
  EXPECT_NE(usb.Open(), 0u);
  EXPECT_FALSE(usb.IsOpen());
  EXPECT_EQ(windows.journal.back(), "DestroyDeviceInfoList");
}

TEST_F(SetupApiLink, FileThatCannotBeOpenedEndsTheOpenWithItsError) {
  windows.createError = ERROR_FILE_NOT_FOUND;
  EXPECT_EQ(usb.Open(), 2u);
  EXPECT_FALSE(usb.IsOpen());
}

TEST_F(SetupApiLink, CloseWaits2000msBeforeCloseHandleAndForgetsAFailedHandle) {
  ASSERT_EQ(usb.Open(), 0u);
  windows.journal.clear();
  windows.closeFails = true;
  EXPECT_EQ(usb.Close(), 6u);
  EXPECT_FALSE(usb.IsOpen());
  EXPECT_THAT(windows.journal, ElementsAre("Wait 2000", "CloseHandle"));
}

TEST_F(SetupApiLink, ReadsWritesAndControlsWithByteCountsAndNoOverlapping) {
  ASSERT_EQ(usb.Open(), 0u);
  windows.journal.clear();
  windows.failingWrites = 3;
  EXPECT_EQ(usb.SendPacket(), 0u);
  windows.reply.assign(32, 0);
  EXPECT_EQ(usb.ReceivePacket(), 32u);
  EXPECT_EQ(windows.readCapacity, 65568u);
  EXPECT_THAT(windows.journal, ElementsAre("WriteFile 32", "DeviceIoControl 1", "WriteFile 32",
                                           "DeviceIoControl 1", "WriteFile 32", "ReadFile"));
  EXPECT_TRUE(windows.everyCountGiven);
  EXPECT_FALSE(windows.anyOverlapped);
}

}  // namespace
}  // namespace solvane
