#include "update/kite_update_engine.h"

#include <utility>

namespace solvane {

CKiteUpdateEngine::CKiteUpdateEngine(const EngineServices& services,
                                     std::string applicationName,
                                     std::string buildString)
    : CUpdateLog(services.logStorage,
                 services.clock,
                 std::move(applicationName),
                 std::move(buildString)),
      services_(services),
      usb_(services.devices, services.waiter, *this) {}

CKiteUpdateEngine::~CKiteUpdateEngine() = default;

void CKiteUpdateEngine::ShowError(std::string_view text) {
  Show(text, "Error", kMbOk | kMbIconError);
}

void CKiteUpdateEngine::ReportError(std::string_view text) {
  LogLine(text);
  ShowError(text);
}

}  // namespace solvane
