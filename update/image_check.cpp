// Before anything changes on the writer: every image the run may send decodes
// to what the build recorded, so no component of a damaged package is half sent.
#include "update/kite_update_engine.h"
#include "update/sent_images.h"

namespace solvane {

bool CKiteUpdateEngine::CheckSentImages() {
  for (const SentImage& sent : SentImages(Row())) {
    EmbeddedImage image;  // freed at once: the procedures decode their own again
    if (!LoadImage(sent.id, sent.slack, false, image)) {
      return false;
    }
    services_.waiter.KeepAlive();
  }
  return true;
}

}  // namespace solvane
