#pragma once

#include <cstdint>

namespace solvane {

// The simulated writer's own error codes, sent in param0 of a status reply.
// Code 3 is the writer's "file open or realtime active"; the others are the
// sim's choice, kept clear of the link's own results 11, 101 and 111.
enum WriterError : uint32_t {
  kWriterErrorUnknownRequest = 0x01,
  kWriterErrorFileNotFound = 0x02,
  kWriterErrorBusy = 0x03,  // param1: bit 0 a file is open, bit 1 realtime runs
  kWriterErrorBadParameters = 0x10,
  kWriterErrorBadMagic = 0x11,       // the request does not begin with 'Z','R'
  kWriterErrorTransferOrder = 0x20,  // offset, total length, marker or chunk size
  kWriterErrorChecksum = 0x21,
  kWriterErrorBadAddress = 0x22,  // outside every memory, or an erase off the blocks
  kWriterErrorFlashFailure = 0x23,
  kWriterErrorImageTooLarge = 0x24,
  kWriterErrorInvalidImage = 0x25,  // boot code or X-Loader without its header
  kWriterErrorMachineType = 0x26,
  kWriterErrorSensorNotReady = 0x27,
  kWriterErrorProtected = 0x28,  // the sensor board's loader, WiFi flash outside the partitions
  kWriterErrorNotReady = 0x29,   // the display is not up yet after a restart
};

}  // namespace solvane
