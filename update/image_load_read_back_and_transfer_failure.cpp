// What the programming procedures share: getting an image, reading memory back,
// reporting a refused transfer.
#include "app/kite_update_dlg.h"
#include "device/chunked_transfer.h"
#include "device/request_codes.h"
#include "update/message_text.h"

namespace solvane {

namespace {

constexpr const char* kOutOfMemoryText = "System too low on memory!";

}  // namespace

void CKiteUpdate100Dlg::ShowOutOfMemory() {
  ShowError(kOutOfMemoryText);
}

void CKiteUpdate100Dlg::ReportOutOfMemory() {
  ReportError(kOutOfMemoryText);
}

bool CKiteUpdate100Dlg::LoadImage(uint32_t id,
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

bool CKiteUpdate100Dlg::ReadBack(uint32_t address, uint32_t length, uint8_t* destination) {
  return TransferInChunks(services_.progress, length, usb_.maximumChunk(),
                          [&](uint32_t offset, uint32_t chunk) {
                            return usb_.ReadMemory(address + offset, chunk, destination + offset);
                          });
}

int CKiteUpdate100Dlg::ReportTransferFailure(uint32_t code) {
  usb_.ShowMessage("Failure in updating machine.");
  if (code == kWriterBusy) {
    ReportWriterBusy();
  } else {
    ReportError(FormatText(kMessageBuffer, "Unable to program your writer.  Error Code %d",
                           static_cast<int>(code)));
  }
  return 5;
}

void CKiteUpdate100Dlg::ReportWriterBusy() {
  ReportError(FormatText(kMessageBuffer,
                         "Unable to program your writer.\nPlease close any open files on your %s",
                         Model()));
}

}  // namespace solvane
