// Sends the carried application code; the run decides when it is due.
#include "package/catalogue.h"
#include "package/crc32.h"
#include "update/kite_update_engine.h"
#include "update/message_text.h"

namespace solvane {

int CKiteUpdateEngine::ProgramApplicationCode() {
  if (applicationCodeDone_) {
    return 0;
  }
  const CatalogueEntry& row = Row();
  if (row.applicationImage == 0) {
    return 0;
  }

  uint32_t version = row.applicationVersion;
  int build = static_cast<int>(row.applicationBuild);
  if (Beta(version) != 0) {
    LogLine(FormatText(
        kMessageBuffer, "Sending software version %X.%02X.%02X Beta %X, Build %d to %s...",
        Major(version), Minor(version), Patch(version), Beta(version), build, Model()));
    SetStatusText(FormatText(kMessageBuffer, "\n\nSending Build %d Beta %X to %s...", build,
                             Beta(version), Model()));
  } else {
    LogLine(FormatText(kMessageBuffer, "Sending software version %X.%02X.%02X Build %d to %s...",
                       Major(version), Minor(version), Patch(version), build, Model()));
    SetStatusText(FormatText(kMessageBuffer, "\n\nSending Build %d to %s...", build, Model()));
  }

  EmbeddedImage image;
  if (!LoadImage(row.applicationImage, kApplicationImageSlack, false, image)) {
    return 1;
  }
  usb_.SendImageCrc(Crc32Of(image.data.get(), image.length));
  usb_.ShowMessage("Programming Application Code");
  if (uint32_t code = usb_.SendApplicationCode(image.data.get(), image.length, usb_.machineType(),
                                               services_.progress)) {
    return ReportTransferFailure(code);
  }
  applicationCodeDone_ = true;
  return 0;
}

}  // namespace solvane
