#include "tests/win32/probe/rcdata_damage.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "package/arithmetic_compression.h"

namespace solvane::probe {
namespace {

constexpr uint32_t kRcdata = 10;
constexpr uint32_t kResourceDirectory = 2;
constexpr uint32_t kSubdirectory = 0x80000000;

struct Range {
  size_t offset;
  size_t size;
};

class PeFile {
 public:
  explicit PeFile(const std::vector<uint8_t>& bytes) : bytes_(bytes) {
    const uint32_t header = U32(0x3C);
    const uint32_t optional = header + 24;
    isPe_ = U32(header) == 0x00004550;  // "PE\0\0"
    directories_ = optional + (U16(optional) == 0x20B ? 112 : 96);
    sections_ = optional + U16(header + 20);
    sectionCount_ = U16(header + 6);
  }

  // The file range of resource `type`/`id`, first language.
  std::optional<Range> Resource(uint32_t type, uint32_t id) const {
    const std::optional<size_t> root =
        isPe_ ? FileOffset(U32(directories_ + 8 * kResourceDirectory)) : std::nullopt;
    if (!root) {
      return std::nullopt;
    }
    std::optional<uint32_t> entry = Entry(*root, type);
    entry = entry && (*entry & kSubdirectory) ? Entry(*root + (*entry & ~kSubdirectory), id)
                                              : std::nullopt;
    entry = entry && (*entry & kSubdirectory)
                ? Entry(*root + (*entry & ~kSubdirectory), std::nullopt)
                : std::nullopt;
    if (!entry || (*entry & kSubdirectory)) {
      return std::nullopt;
    }
    const size_t data = *root + *entry;
    const std::optional<size_t> offset = FileOffset(U32(data));
    if (!offset || *offset + U32(data + 4) > bytes_.size()) {
      return std::nullopt;
    }
    return Range{*offset, U32(data + 4)};
  }

 private:
  uint32_t U16(size_t at) const {
    return at + 2 <= bytes_.size() ? bytes_[at] | bytes_[at + 1] << 8 : 0;
  }
  uint32_t U32(size_t at) const { return U16(at) | U16(at + 2) << 16; }

  std::optional<size_t> FileOffset(uint32_t rva) const {
    for (uint32_t i = 0; i < sectionCount_; ++i) {
      const size_t section = sections_ + 40 * i;
      const uint32_t address = U32(section + 12);
      if (rva >= address && rva - address < U32(section + 16)) {
        return U32(section + 20) + (rva - address);
      }
    }
    return std::nullopt;
  }

  // The entry of the directory at `directory` with integer name `id`, or its
  // first entry when `id` is not given.
  std::optional<uint32_t> Entry(size_t directory, std::optional<uint32_t> id) const {
    const uint32_t named = U16(directory + 12);
    const uint32_t count = named + U16(directory + 14);
    for (uint32_t i = 0; i < count; ++i) {
      const size_t entry = directory + 16 + 8 * i;
      if (!id || (i >= named && U32(entry) == *id)) {
        return U32(entry + 4);
      }
    }
    return std::nullopt;
  }

  const std::vector<uint8_t>& bytes_;
  bool isPe_;
  size_t directories_;
  size_t sections_;
  uint32_t sectionCount_;
};

// The count Decode returns for the stream behind a container's length word.
uint32_t DecodeCount(const uint8_t* container, size_t size, std::vector<uint8_t>& scratch) {
  const uint32_t length = container[0] | container[1] << 8 | container[2] << 16 |
                          static_cast<uint32_t>(container[3]) << 24;
  scratch.resize(size_t{length} + 64);
  CArithmeticCompression decoder;
  return decoder.Decode(container + 4, static_cast<uint32_t>(size - 4), scratch.data(), length);
}

}  // namespace

int DamageRcdata(const std::string& path, uint32_t id) {
  std::vector<uint8_t> bytes;
  {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  const std::optional<Range> resource = PeFile(bytes).Resource(kRcdata, id);
  if (!resource || resource->size < 8) {
    std::printf("no RCDATA %u in %s\n", id, path.c_str());
    return 1;
  }
  uint8_t* container = bytes.data() + resource->offset;
  std::vector<uint8_t> scratch;
  const uint32_t intact = DecodeCount(container, resource->size, scratch);
  for (size_t at = resource->size / 2; at < resource->size; ++at) {
    container[at] ^= 0x55;
    if (DecodeCount(container, resource->size, scratch) == intact) {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
      out.close();
      std::printf(out ? "damaged byte at %zu\n" : "cannot write %zu\n", resource->offset + at);
      return out ? 0 : 1;
    }
    container[at] ^= 0x55;
  }
  std::printf("no byte of RCDATA %u keeps its length\n", id);
  return 1;
}

}  // namespace solvane::probe
