// Brings the writer's boot code up to the carried version.
#include "package/catalogue.h"
#include "update/kite_update_engine.h"
#include "update/message_text.h"

namespace solvane {

int CKiteUpdateEngine::ProgramBootCode() {
  if (bootCodeDone_) {
    return 0;
  }
  const CatalogueEntry& row = Row();
  if (row.bootImage == 0) {
    return 0;
  }
  if (bootMode_ != 0) {
    mainBootVersion_ = reportedVersion_;
    mainBootBuild_ = reportedBuild_;
  } else {
    ReadBootVersionsOrClear();
  }
  if (mainBootVersion_ >= row.bootVersion && mainBootBuild_ >= row.bootBuild) {
    return 0;
  }

  uint32_t version = row.bootVersion;
  int build = static_cast<int>(row.bootBuild);
  std::string text =
      Beta(version) != 0
          ? FormatText(
                kMessageBuffer, "Sending boot code version %X.%02X.%02X Beta %X, Build %d to %s...",
                Major(version), Minor(version), Patch(version), Beta(version), build, Model())
          : FormatText(kMessageBuffer, "Sending boot code version %X.%02X.%02X Build %d to %s...",
                       Major(version), Minor(version), Patch(version), build, Model());
  LogLine(text);
  SetStatusText("\n\n" + text);

  EmbeddedImage image;
  if (!LoadImage(row.bootImage, kImageSlack, false, image)) {
    return 1;
  }
  usb_.ShowMessage("Programming Boot Code");
  if (uint32_t code = usb_.SendBootCode(image.data.get(), image.length, services_.progress)) {
    return ReportTransferFailure(code);
  }
  bootCodeDone_ = true;
  return 0;
}

}  // namespace solvane
