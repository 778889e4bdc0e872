// Keeps the WiFi module's application image and NVS partition equal to the
// carried images: read back, compare, erase and write, read back again.
#include <cstring>
#include <memory>
#include <new>

#include "device/chunked_transfer.h"
#include "device/request_codes.h"
#include "update/kite_update_engine.h"
#include "update/message_text.h"

namespace solvane {

struct CKiteUpdateEngine::WifiPartition {
  uint32_t CatalogueEntry::*image;
  uint32_t selector;
  const char* checkDisplay;
  const char* checkLog;
  const char* checkStatus;
  const char* programDisplay;
  const char* programLog;
  const char* programStatus;
  const char* failureDisplay;
};

namespace {

constexpr int kChecks = 3;

}  // namespace

int CKiteUpdateEngine::ProgramWifiApp() {
  static constexpr WifiPartition kApplication = {&CatalogueEntry::wifiApplicationImage,
                                                 kWifiApplicationPartition,
                                                 "Checking WiFi App...",
                                                 "Reading WiFi App. from %s...",
                                                 "\n\nChecking WiFi App. from %s...",
                                                 "Loading WiFi App...",
                                                 "Sending WiFi App. to %s...",
                                                 "\n\nSending WiFi App. to %s...",
                                                 "Failure to load WiFi App."};
  return ProgramWifiImage(kApplication);
}

int CKiteUpdateEngine::ProgramWifiNvs() {
  static constexpr WifiPartition kNvs = {&CatalogueEntry::wifiNvsImage,
                                         kWifiNvsPartition,
                                         "Checking WiFi NVS...",
                                         "Reading WiFi NVS. from %s...",
                                         "\n\nChecking WiFi NVS. from %s...",
                                         "Loading WiFi NVS...",
                                         "Sending WiFi NVS. to %s...",
                                         "\n\nSending WiFi NVS. to %s...",
                                         "Failure to load WiFi NVS."};
  return ProgramWifiImage(kNvs);
}

int CKiteUpdateEngine::ProgramWifiImage(const WifiPartition& partition) {
  uint32_t imageId = Row().*partition.image;
  if (imageId == 0) {
    return 0;
  }
  EmbeddedImage image;
  if (!LoadImage(imageId, kImageSlack, false, image)) {
    return 1;
  }
  std::unique_ptr<uint8_t[]> readBack(new (std::nothrow) uint8_t[image.length]);
  if (!readBack) {
    ShowOutOfMemory();
    return 1;
  }
  for (int check = 1;; ++check) {
    if (CheckWifiPartition(partition, image, readBack.get(), check == 1) != WifiCheck::kDiffers) {
      return 0;
    }
    if (check >= kChecks || !WriteWifiPartition(partition, image)) {
      break;
    }
  }
  usb_.ShowMessage(partition.failureDisplay);
  ReportError("Unable to program your writer.  Check if a job is open.");
  return 6;
}

CKiteUpdateEngine::WifiCheck CKiteUpdateEngine::CheckWifiPartition(const WifiPartition& partition,
                                                                   const EmbeddedImage& image,
                                                                   uint8_t* readBack,
                                                                   bool firstCheck) {
  usb_.ShowMessage(partition.checkDisplay);
  LogLine(FormatText(kMessageBuffer, partition.checkLog, Model()));
  SetStatusText(FormatText(kMessageBuffer, partition.checkStatus, Model()));
  uint32_t size = 0;
  uint32_t address = usb_.QueryPartition(partition.selector, &size);
  // Only the first check may find no partition (a writer without a WiFi
  // module); one that vanishes later, or a read-back that failed, proves
  // nothing and counts as differing.
  if (size == 0 && firstCheck) {
    return WifiCheck::kNoModule;
  }
  if (size != 0 && ReadBack(address, image.length, readBack) &&
      std::memcmp(readBack, image.data.get(), image.length) == 0) {
    return WifiCheck::kHoldsImage;
  }
  return WifiCheck::kDiffers;
}

bool CKiteUpdateEngine::WriteWifiPartition(const WifiPartition& partition,
                                           const EmbeddedImage& image) {
  usb_.ShowMessage(partition.programDisplay);
  LogLine(FormatText(kMessageBuffer, partition.programLog, Model()));
  SetStatusText(FormatText(kMessageBuffer, partition.programStatus, Model()));
  uint32_t size = 0;
  uint32_t address = usb_.QueryPartition(partition.selector, &size);
  if (size == 0) {
    return true;
  }
  // An image that does not fit would be written over whatever follows the
  // partition: never erase or write it.
  const uint32_t chunkLimit = usb_.maximumChunk();
  if (image.length > size || chunkLimit == 0) {
    return false;
  }
  if (!usb_.EraseFlash(address, size)) {
    return true;
  }
  TransferInChunks(services_.progress, image.length, chunkLimit,
                   [&](uint32_t offset, uint32_t chunk) {
                     return usb_.WriteFlash(image.data.get() + offset, address + offset, chunk);
                   });
  return true;
}

}  // namespace solvane
