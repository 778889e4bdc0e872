#pragma once

#include <cstdint>
#include <string>

namespace solvane {

// The commands of solvane-image. Each prints its findings to stdout and throws
// std::runtime_error when it cannot do its work. Unpack and info refuse a
// container that claims more than 64 MiB unless `anyLength` is set.
void PackCommand(const std::string& rawPath, const std::string& outPath);
void UnpackCommand(const std::string& containerPath, const std::string& outPath, bool anyLength);
void InfoCommand(const std::string& containerPath, bool anyLength);
void CrcCommand(const std::string& path);
void HexCommand(const std::string& path, uint32_t base, uint32_t size, const std::string& outPath);
void ListCommand();

}  // namespace solvane
