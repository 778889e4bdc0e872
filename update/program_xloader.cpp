// Keeps the writer's first-stage loader current: read back, compare, and send
// the carried one only when its version text sorts above the writer's.
#include <cstring>
#include <memory>
#include <new>

#include "device/request_codes.h"
#include "package/crc32.h"
#include "update/kite_update_engine.h"
#include "update/message_text.h"
#include "update/xloader_version.h"

namespace solvane {

namespace {

constexpr int kDamagedLoaderResends = 2;

}  // namespace

int CKiteUpdateEngine::ProgramXLoader() {
  if (xLoaderDone_) {
    return 0;
  }
  int result = 0;
  if (uint32_t id = Row().xLoaderImage) {
    usb_.ShowMessage("Updating X-Loader");
    SetStatusText("\n\nChecking XLoader...");
    result = UpdateXLoader(id);
  }
  usb_.ShowMessage(nullptr);
  return result;
}

int CKiteUpdateEngine::UpdateXLoader(uint32_t imageId) {
  EmbeddedImage image;
  if (!LoadImage(imageId, kImageSlack, true, image)) {
    return 1;
  }
  uint32_t length = image.length;
  std::unique_ptr<uint8_t[]> readBack(new (std::nothrow) uint8_t[length]);
  if (!readBack) {
    ReportOutOfMemory();
    return 1;
  }
  uint32_t address = usb_.QueryPartition(kXLoaderPartition);
  if (!ReadBack(address, length, readBack.get())) {
    ReportError("Failed to read x-Loader Image!");
    return 1;
  }
  if (Crc32Of(image.data.get(), length) == Crc32Of(readBack.get(), length)) {
    xLoaderDone_ = true;
    return 0;
  }

  std::string carried = XLoaderVersionText(image.data.get(), length);
  std::string installed = XLoaderVersionText(readBack.get(), length);
  if (carried <= installed) {
    LogLine(FormatText(kMessageBuffer, "Has newer version: %s then %s", installed.c_str(),
                       carried.c_str()));
    return 0;
  }
  LogLine(FormatText(kMessageBuffer, "Old %s, programming %s", installed.c_str(), carried.c_str()));
  LogLine(FormatText(kMessageBuffer, "Sending XLoader %s...", Model()));
  SetStatusText(FormatText(kMessageBuffer, "\n\nSending XLoader %s...", Model()));
  uint32_t code = usb_.SendXLoader(image.data.get(), length, services_.progress);
  // A transfer that broke off while the partition was being written leaves a
  // loader the writer cannot start from, and the next restart would brick it:
  // such a loader is sent again at once rather than after that restart.
  for (int resend = 0;
       code != 0 && resend < kDamagedLoaderResends && !LoaderKept(address, readBack.get(), length);
       ++resend) {
    code = usb_.SendXLoader(image.data.get(), length, services_.progress);
  }
  if (code == 0) {
    xLoaderDone_ = true;
    return 0;
  }
  restartPending_ = true;
  // Earlier in the run a restart and a second try follow; after the last call
  // nothing does, and a writer left with the old loader must not read as updated.
  return finalXLoaderCall_ ? ReportTransferFailure(code) : 0;
}

bool CKiteUpdateEngine::LoaderKept(uint32_t address, const uint8_t* before, uint32_t length) {
  std::unique_ptr<uint8_t[]> now(new (std::nothrow) uint8_t[length]);
  return now && ReadBack(address, length, now.get()) && std::memcmp(now.get(), before, length) == 0;
}

}  // namespace solvane
