#include "sim/writer_memory.h"

namespace solvane {

namespace {

std::vector<uint8_t> Sized(std::vector<uint8_t> content, uint32_t size) {
  content.resize(size, 0xFF);
  return content;
}

}  // namespace

WriterMemory::WriterMemory(std::vector<uint8_t> xLoader, std::vector<uint8_t> wifi)
    : xLoader_(kXLoaderAddress, Sized(std::move(xLoader), kXLoaderSize)),
      wifi_(kWifiBase, Sized(std::move(wifi), kWifiSize)) {}

std::optional<Partition> WriterMemory::FindPartition(uint32_t selector) {
  for (const Partition& partition : kPartitions) {
    if (partition.selector == selector) {
      return partition;
    }
  }
  return std::nullopt;
}

std::optional<std::span<const uint8_t>> WriterMemory::Read(uint32_t address,
                                                           uint32_t length) const {
  for (const NorFlash* flash : {&xLoader_, &wifi_}) {
    if (flash->Contains(address, length)) {
      return flash->Read(address, length);
    }
  }
  return std::nullopt;
}

bool WriterMemory::InstallXLoader(std::span<const uint8_t> image) {
  if (image.size() > kXLoaderSize) {
    return false;
  }
  xLoader_.Erase(kXLoaderAddress, kXLoaderSize);
  return xLoader_.Program(kXLoaderAddress, image);
}

}  // namespace solvane
