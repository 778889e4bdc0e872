// Reflashes the keyboard sensor board through the writer's command request.
#include <algorithm>
#include <memory>
#include <new>
#include <optional>

#include "device/chunked_transfer.h"
#include "device/request_codes.h"
#include "package/crc32.h"
#include "package/intel_hex.h"
#include "platform/little_endian.h"
#include "update/kite_update_engine.h"
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

// The part of the memory image the board is sent and asked about: from
// kProgramStart up to the end offset.
struct ProgrammedRange {
  const uint8_t* bytes;
  uint32_t length;
  uint32_t crc;
};

// What the writer made of a sensor mode command.
struct ModeReply {
  bool answered;  // a command reply came back
  bool refused;   // and its first payload byte is not 0
};

enum class BoardCheck { kNoAnswer, kDiffers, kMatches };

ModeReply SetSensorMode(CKiteUsb& usb, uint8_t mode) {
  uint8_t reply[kCommandBuffer];
  uint32_t replyLength = 0;
  bool answered = usb.SendCommand(kSensorMode, &mode, 1, reply, sizeof(reply), &replyLength) == 0;
  return {answered, answered && replyLength > 0 && reply[0] != 0};
}

// The board's CRC of the range, sent most significant byte first; none when
// the reply is missing or not exactly four bytes.
std::optional<uint32_t> ReadBoardCrc(CKiteUsb& usb, const ProgrammedRange& range) {
  uint8_t request[8];
  StoreLe32(request, kBoardBase + kProgramStart);
  StoreLe32(request + 4, range.length);
  uint8_t reply[kCommandBuffer];
  uint32_t replyLength = 0;
  if (usb.SendCommand(kSensorCrc, request, sizeof(request), reply, sizeof(reply), &replyLength) !=
          0 ||
      replyLength != 4) {
    return std::nullopt;
  }
  return uint32_t{reply[0]} << 24 | uint32_t{reply[1]} << 16 | uint32_t{reply[2]} << 8 |
         uint32_t{reply[3]};
}

bool WriteRange(CKiteUsb& usb, Waiter& waiter, Progress& progress, const ProgrammedRange& range) {
  uint8_t request[kCommandBuffer];
  return TransferInChunks(progress, range.length, kWriteBlock,
                          [&](uint32_t offset, uint32_t chunk) {
                            StoreLe32(request, kBoardBase + kProgramStart + offset);
                            std::copy_n(range.bytes + offset, chunk, request + 4);
                            waiter.Wait(kWriteGapMs);
                            return usb.SendCommand(kSensorWrite, request, chunk + 4) == 0;
                          });
}

// Phase 1: does the board hold the range already?
BoardCheck CheckBoard(CKiteUsb& usb, Waiter& waiter, const ProgrammedRange& range) {
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    if (SetSensorMode(usb, 0).answered) {
      waiter.Wait(kModeSettleMs);
      if (std::optional<uint32_t> boardCrc = ReadBoardCrc(usb, range)) {
        return *boardCrc == range.crc ? BoardCheck::kMatches : BoardCheck::kDiffers;
      }
    }
    if (attempt < kAttempts) {
      waiter.Wait(kCheckRetryMs);
      usb.ShowMessage(kUpdatingText);
    }
  }
  return BoardCheck::kNoAnswer;
}

// Phase 2: writes the whole range and reads its CRC back, again from the start
// after any failure.
bool ProgramBoard(CKiteUsb& usb, Waiter& waiter, Progress& progress, const ProgrammedRange& range) {
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    ModeReply mode = SetSensorMode(usb, 0);
    if (!mode.answered || mode.refused || !WriteRange(usb, waiter, progress, range)) {
      continue;
    }
    waiter.Wait(kVerifySettleMs);
    if (ReadBoardCrc(usb, range) == range.crc) {
      return true;
    }
  }
  return false;
}

// Phase 3: hands the board back to the writer.
bool ReleaseBoard(CKiteUsb& usb, Waiter& waiter) {
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    if (attempt > 1) {
      waiter.Wait(kReleaseRetryMs);
    }
    if (SetSensorMode(usb, 1).answered) {
      return true;
    }
  }
  return false;
}

}  // namespace

int CKiteUpdateEngine::ProgramSensorBoard() {
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

int CKiteUpdateEngine::UpdateSensorBoard(const uint8_t* memory, uint32_t end) {
  const uint32_t length = end - kProgramStart;
  const ProgrammedRange range{memory + kProgramStart, length,
                              Crc32Of(memory + kProgramStart, length)};
  BoardCheck check = CheckBoard(usb_, services_.waiter, range);
  if (check == BoardCheck::kNoAnswer ||
      (check == BoardCheck::kDiffers &&
       !ProgramBoard(usb_, services_.waiter, services_.progress, range)) ||
      !ReleaseBoard(usb_, services_.waiter)) {
    usb_.ShowMessage(kFailedText);
    ReportError("Error with updating sensor board..");
    return 1;
  }
  return 0;
}

}  // namespace solvane
