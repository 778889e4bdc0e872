#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace solvane {

// A 128-bit device interface class in its memory order.
struct InterfaceClassGuid {
  uint8_t bytes[16];
};

// The writer interface class {202E68C5-5980-4A60-B761-77C4DE9D5DBF}.
inline constexpr InterfaceClassGuid kWriterInterfaceClass = {{0xC5, 0x68, 0x2E, 0x20, 0x80, 0x59,
                                                              0x60, 0x4A, 0xB7, 0x61, 0x77, 0xC4,
                                                              0xDE, 0x9D, 0x5D, 0xBF}};
inline constexpr const char* kWriterInterfaceClassText = "{202E68C5-5980-4A60-B761-77C4DE9D5DBF}";

// An opened device interface, used for synchronous packet exchange. Every call
// returns 0 or a Windows error code.
class DeviceHandle {
 public:
  virtual ~DeviceHandle() = default;
  // Writes one packet; `written` gets the bytes taken (0 on failure).
  virtual uint32_t Write(const uint8_t* data, uint32_t size, uint32_t& written) = 0;
  // Reads one packet of at most `capacity` bytes; `read` gets the bytes delivered.
  virtual uint32_t Read(uint8_t* buffer, uint32_t capacity, uint32_t& read) = 0;
  // Issues a driver control code with no buffers.
  virtual uint32_t Control(uint32_t controlCode) = 0;
  // Closes the handle; it is unusable afterwards whatever the result.
  virtual uint32_t Close() = 0;
};

// Finds and opens device interfaces. Every call returns 0 or a Windows error code
// (259, no more items, when the class has no member `index`).
class DeviceAccess {
 public:
  virtual ~DeviceAccess() = default;
  virtual uint32_t EnumerateInterface(const InterfaceClassGuid& interfaceClass,
                                      uint32_t index,
                                      std::string& devicePath) = 0;
  virtual uint32_t Open(const std::string& devicePath, std::unique_ptr<DeviceHandle>& handle) = 0;
};

}  // namespace solvane
