#include "sim/writer_memory.h"

#include <algorithm>

#include "sim/writer_errors.h"
#include "sim/xloader_header.h"

namespace solvane {

namespace {

std::vector<uint8_t> Sized(std::vector<uint8_t> content, uint32_t size) {
  content.resize(size, 0xFF);
  return content;
}

constexpr uint32_t kWritableSelectors[] = {8, 9};

}  // namespace

WriterMemory::WriterMemory(std::vector<uint8_t> xLoader,
                           std::vector<uint8_t> wifi,
                           bool xLoaderIntact)
    : xLoader_(kXLoaderAddress, Sized(std::move(xLoader), kXLoaderSize)),
      wifi_(kWifiBase, Sized(std::move(wifi), kWifiSize)),
      xLoaderIntact_(xLoaderIntact) {}

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

uint32_t WriterMemory::CheckWifiChange(uint32_t address, uint32_t length) const {
  if (!wifi_.Contains(address, length)) {
    return kWriterErrorBadAddress;
  }
  for (uint32_t selector : kWritableSelectors) {
    Partition partition = *FindPartition(selector);
    if (address >= partition.address && address - partition.address <= partition.size &&
        length <= partition.size - (address - partition.address)) {
      return 0;
    }
  }
  return kWriterErrorProtected;
}

void WriterMemory::WriteXLoader(std::span<const uint8_t> image, size_t written) {
  xLoader_.Erase(kXLoaderAddress, kXLoaderSize);
  written = std::min(written, image.size());
  xLoader_.Program(kXLoaderAddress, image.first(written));
  xLoaderIntact_ = written == image.size();
}

bool WriterMemory::XLoaderBootable() const {
  return xLoaderIntact_ && XLoaderHeader::Loadable(xLoader_.content());
}

void WriterMemory::EraseCut(uint32_t address, uint32_t size, size_t done) {
  uint32_t whole = static_cast<uint32_t>(done / NorFlash::kBlockSize * NorFlash::kBlockSize);
  wifi_.Erase(address, whole);
  if (whole == size) {
    return;
  }
  // Some cells of the block it stopped in have lost their charge, others not.
  uint32_t block = address + whole;
  std::span<const uint8_t> old = wifi_.Read(block, NorFlash::kBlockSize);
  std::vector<uint8_t> mixed(old.begin(), old.end());
  for (size_t i = 0; i < mixed.size(); i += 2) {
    mixed[i] |= 0x0F;
  }
  wifi_.Erase(block, NorFlash::kBlockSize);
  wifi_.Program(block, mixed);
}

}  // namespace solvane
