// What the programming procedures share: getting an image, reading memory back,
// reporting a refused transfer.
#include "device/chunked_transfer.h"
#include "device/request_codes.h"
#include "update/kite_update_engine.h"
#include "update/message_text.h"

namespace solvane {

namespace {

constexpr const char* kOutOfMemoryText = "System too low on memory!";

}  // namespace

void CKiteUpdateEngine::ShowOutOfMemory() {
  ShowError(kOutOfMemoryText);
}

void CKiteUpdateEngine::ReportOutOfMemory() {
  ReportError(kOutOfMemoryText);
}

bool CKiteUpdateEngine::LoadImage(uint32_t id,
                                  uint32_t slack,
                                  bool logOutOfMemory,
                                  EmbeddedImage& image) {
  switch (LoadEmbeddedImage(services_.resources, id, slack, image)) {
    case ImageLoadStatus::kOk:
      return true;
    case ImageLoadStatus::kOutOfMemory:
      if (logOutOfMemory) {
        ReportOutOfMemory();
      } else {
        ShowOutOfMemory();
      }
      return false;
    case ImageLoadStatus::kNotFound:
    case ImageLoadStatus::kNotLoadable:
    case ImageLoadStatus::kDamaged:
      break;
  }
  // A program that lacks an image it names must say so, not skip the component.
  ReportError(
      FormatText(kMessageBuffer, "Unable to load the firmware image %d.", static_cast<int>(id)));
  return false;
}

bool CKiteUpdateEngine::ReadBack(uint32_t address, uint32_t length, uint8_t* destination) {
  return TransferInChunks(services_.progress, length, usb_.maximumChunk(),
                          [&](uint32_t offset, uint32_t chunk) {
                            return usb_.ReadMemory(address + offset, chunk, destination + offset);
                          });
}

int CKiteUpdateEngine::ReportTransferFailure(uint32_t code) {
  usb_.ShowMessage("Failure in updating machine.");
  if (code == kWriterBusy) {
    ReportWriterBusy();
  } else {
    ReportError(ProgramErrorText(kMessageBuffer, code));
  }
  return 5;
}

void CKiteUpdateEngine::ReportWriterBusy() {
  ReportError(FormatText(kMessageBuffer,
                         "Unable to program your writer.\nPlease close any open files on your %s",
                         Model()));
}

}  // namespace solvane
