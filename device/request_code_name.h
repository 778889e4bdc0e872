#pragma once

#include <cstdint>

#include "device/request_codes.h"

namespace solvane {

// The name a person reads in a recording for a request or reply code; "" for
// a code the link never sends or expects.
inline const char* RequestCodeName(uint16_t code) {
  switch (code) {
    case kIdentify:
      return "Identify";
    case kSendApplicationCode:
      return "SendApplicationCode";
    case kChunkAccepted:
      return "ChunkAccepted";
    case kStatusReply:
      return "Status";
    case kShowMessage:
      return "ShowMessage";
    case kOpenFile:
      return "OpenFile";
    case kCloseFile:
      return "CloseFile";
    case kSendImageCrc:
      return "SendImageCrc";
    case kReadMemory:
      return "ReadMemory";
    case kSendBootCode:
      return "SendBootCode";
    case kRequestReset:
      return "RequestReset";
    case kSendXLoader:
      return "SendXLoader";
    case kEraseFlash:
      return "EraseFlash";
    case kWriteFlash:
      return "WriteFlash";
    case kQueryPartition:
      return "QueryPartition";
    case kExchangeClock:
      return "ExchangeClock";
    case kReadBootVersions:
      return "ReadBootVersions";
    case kSendCommand:
      return "SendCommand";
    default:
      return "";
  }
}

}  // namespace solvane
