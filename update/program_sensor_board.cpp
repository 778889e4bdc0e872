// Reflashes the keyboard sensor board through the writer's command request.
#include <algorithm>
#include <memory>
#include <new>

#include "app/kite_update_dlg.h"
#include "device/chunked_transfer.h"
#include "device/request_codes.h"
#include "package/crc32.h"
#include "package/intel_hex.h"
#include "platform/little_endian.h"
#include "update/message_text.h"

namespace solvane {

namespace {

constexpr uint32_t kUnknownBuild = 0xFFFFFFFF;
constexpr uint32_t kBoardBase = 0x80000000;
constexpr uint32_t kImageSize = 0x80000;
constexpr uint32_t kImageAllocation = 0x80100;
// The board's own loader sits below this offset and is never sent.
constexpr uint32_t kProgramStart = 0x2000;
constexpr uint32_t kWriteBlock = 512;
constexpr uint32_t kCommandBuffer = 1024;
constexpr int kAttempts = 10;

constexpr uint32_t kModeSettleMs = 100;
constexpr uint32_t kCheckRetryMs = 500;
constexpr uint32_t kWriteGapMs = 100;
constexpr uint32_t kVerifySettleMs = 200;
constexpr uint32_t kReleaseRetryMs = 3000;

constexpr const char* kUpdatingText = "Updating Keyboard Scanner";
constexpr const char* kFailedText = "Failed to update Keyboard Scanner";

}  // namespace

int CKiteUpdate100Dlg::ProgramSensorBoard() {
  const CatalogueEntry& row = Row();
  uint32_t build = usb_.sensorBoardBuild();
  if (build != kUnknownBuild && build >= row.sensorBoardMinimumBuild) {
    return 0;
  }
  if (row.sensorBoardImage == 0) {
    return 0;
  }
  usb_.ShowMessage(kUpdatingText);
  LogLine(FormatText(kMessageBuffer, "Sending KeySensor Board Code to %s...", Model()));
  SetStatusText(FormatText(kMessageBuffer, "\n\nSending Sensor Board Code to %s...", Model()));

  EmbeddedImage hexText;
  if (!LoadImage(row.sensorBoardImage, kImageSlack, false, hexText)) {
    return 1;
  }
  std::unique_ptr<uint8_t[]> memory(new (std::nothrow) uint8_t[kImageAllocation]);
  if (!memory) {
    ShowOutOfMemory();
    return 1;
  }
  std::fill_n(memory.get(), kImageSize, uint8_t{0xFF});
  int32_t loaded = LoadIntelHex(reinterpret_cast<const char*>(hexText.data.get()), hexText.length,
                                memory.get(), kImageSize, kBoardBase);
  hexText.data.reset();
  if (loaded <= 0) {
    usb_.ShowMessage(kFailedText);
    ReportError("Error decoding data...");
    return 1;
  }
  uint32_t end = kImageSize - 1;
  while (end > kProgramStart && memory[end] == 0xFF) {
    --end;
  }
  return UpdateSensorBoard(memory.get(), end + 1);
}

int CKiteUpdate100Dlg::UpdateSensorBoard(const uint8_t* memory, uint32_t end) {
  const uint32_t rangeLength = end - kProgramStart;
  const uint32_t imageCrc = Crc32Of(memory + kProgramStart, rangeLength);
  uint8_t crcRequest[8];
  StoreLe32(crcRequest, kBoardBase + kProgramStart);
  StoreLe32(crcRequest + 4, rangeLength);
  uint8_t reply[kCommandBuffer];
  uint32_t replyLength = 0;

  auto setMode = [&](uint8_t mode) {
    return usb_.SendCommand(kSensorMode, &mode, 1, reply, sizeof(reply), &replyLength) == 0;
  };
  // The board's CRC of the programmed range, most significant byte first.
  auto readBoardCrc = [&](uint32_t& boardCrc) {
    if (usb_.SendCommand(kSensorCrc, crcRequest, sizeof(crcRequest), reply, sizeof(reply),
                         &replyLength) != 0 ||
        replyLength != 4) {
      return false;
    }
    boardCrc = uint32_t{reply[0]} << 24 | uint32_t{reply[1]} << 16 | uint32_t{reply[2]} << 8 |
               uint32_t{reply[3]};
    return true;
  };
  auto writeRange = [&]() {
    uint8_t request[kCommandBuffer];
    return TransferInChunks(services_.progress, rangeLength, kWriteBlock,
                            [&](uint32_t offset, uint32_t chunk) {
                              StoreLe32(request, kBoardBase + kProgramStart + offset);
                              std::copy_n(memory + kProgramStart + offset, chunk, request + 4);
                              services_.waiter.Wait(kWriteGapMs);
                              return usb_.SendCommand(kSensorWrite, request, chunk + 4) == 0;
                            });
  };
  auto fail = [&]() {
    usb_.ShowMessage(kFailedText);
    ReportError("Error with updating sensor board..");
    return 1;
  };

  std::optional<bool> differs;
  for (int attempt = 1; attempt <= kAttempts && !differs; ++attempt) {
    uint32_t boardCrc = 0;
    if (setMode(0)) {
      services_.waiter.Wait(kModeSettleMs);
      if (readBoardCrc(boardCrc)) {
        differs = boardCrc != imageCrc;
        break;
      }
    }
    if (attempt < kAttempts) {
      services_.waiter.Wait(kCheckRetryMs);
      usb_.ShowMessage(kUpdatingText);
    }
  }
  if (!differs) {
    return fail();
  }

  if (*differs) {
    bool programmed = false;
    for (int attempt = 1; attempt <= kAttempts && !programmed; ++attempt) {
      if (!setMode(0) || (replyLength > 0 && reply[0] != 0) || !writeRange()) {
        continue;
      }
      services_.waiter.Wait(kVerifySettleMs);
      uint32_t boardCrc = 0;
      programmed = readBoardCrc(boardCrc) && boardCrc == imageCrc;
    }
    if (!programmed) {
      return fail();
    }
  }

  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    if (attempt > 1) {
      services_.waiter.Wait(kReleaseRetryMs);
    }
    if (setMode(1)) {
      return 0;
    }
  }
  return fail();
}

}  // namespace solvane
