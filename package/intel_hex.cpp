#include "package/intel_hex.h"

#include <array>

namespace solvane {

namespace {

constexpr uint8_t kIllegal = 0xFF;    // ends the load between records
constexpr uint8_t kSeparator = 0xFE;  // ':' CR LF: accepted, but no digit

constexpr std::array<uint8_t, 256> MakeDigitTable() {
  std::array<uint8_t, 256> table{};
  table.fill(kIllegal);
  for (int c = '0'; c <= '9'; ++c) {
    table[c] = static_cast<uint8_t>(c - '0');
  }
  for (int c = 0; c < 6; ++c) {
    table['A' + c] = static_cast<uint8_t>(10 + c);
    table['a' + c] = static_cast<uint8_t>(10 + c);
  }
  table[':'] = kSeparator;
  table['\r'] = kSeparator;
  table['\n'] = kSeparator;
  return table;
}

constexpr std::array<uint8_t, 256> kDigits = MakeDigitTable();

enum RecordType : uint8_t {
  kEndOfFile = 0x01,
  kExtendedSegmentAddress = 0x02,
  kStartSegmentAddress = 0x03,
  kExtendedLinearAddress = 0x04,
  kStartLinearAddress = 0x05,
};

class HexReader {
 public:
  HexReader(const char* text, uint32_t length) : text_(text), end_(length) {}

  bool AtEnd() const { return position_ >= end_; }
  char Next() { return text_[position_++]; }

  // One byte of a record: two hexadecimal digits. A record cut short by the end
  // of the text, a line end, a ':' or any other character is malformed.
  bool ReadByte(uint8_t& value) {
    if (end_ - position_ < 2) {
      position_ = end_;
      return false;
    }
    uint8_t high = kDigits[static_cast<uint8_t>(text_[position_])];
    uint8_t low = kDigits[static_cast<uint8_t>(text_[position_ + 1])];
    position_ += 2;
    if ((high | low) > 0x0F) {
      return false;
    }
    value = static_cast<uint8_t>(high << 4 | low);
    return true;
  }

 private:
  const char* text_;
  uint32_t end_;
  uint32_t position_ = 0;
};

// The addresses the data records wrote, lowest to highest.
class WrittenSpan {
 public:
  void Add(uint32_t address) {
    lowest_ = address < lowest_ ? address : lowest_;
    highest_ = address > highest_ ? address : highest_;
    wroteData_ = true;
  }
  // A load that ends well but wrote nothing has nothing to program.
  int32_t Result() const {
    return wroteData_ ? static_cast<int32_t>(highest_ - lowest_ + 1) : kHexTruncated;
  }

 private:
  uint32_t lowest_ = 0xFFFFFFFF;
  uint32_t highest_ = 0;
  bool wroteData_ = false;
};

// Where the data records go: the memory image and the address of its first byte.
struct MemoryImage {
  uint8_t* bytes;
  uint32_t size;
  uint32_t base;
};

enum class Gap { kRecordStarts, kTextEnds, kLoadEnds };

// Between records: digits and line ends are passed over up to the next ':';
// any other character ends the load.
Gap SkipToRecord(HexReader& reader) {
  while (!reader.AtEnd()) {
    char c = reader.Next();
    if (c == ':') {
      return Gap::kRecordStarts;
    }
    if (kDigits[static_cast<uint8_t>(c)] == kIllegal) {
      return Gap::kLoadEnds;
    }
  }
  return Gap::kTextEnds;
}

constexpr int32_t kRecordRead = 0;

// An extended segment or linear address record: the upper address of the data
// records that follow.
int32_t ReadAddressRecord(HexReader& reader, uint8_t type, uint8_t& checksum, uint32_t& upper) {
  uint8_t high = 0;
  uint8_t low = 0;
  if (!reader.ReadByte(high) || !reader.ReadByte(low)) {
    return kHexTruncated;
  }
  checksum = static_cast<uint8_t>(checksum + high + low);
  uint32_t value = uint32_t{high} << 8 | low;
  upper = type == kExtendedSegmentAddress ? value * 16 : value * 65536;
  return kRecordRead;
}

// A start address record: checked, but a memory image has no use for it.
int32_t SkipStartRecord(HexReader& reader, uint8_t count, uint8_t& checksum) {
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t byte = 0;
    if (!reader.ReadByte(byte)) {
      return kHexTruncated;
    }
    checksum = static_cast<uint8_t>(checksum + byte);
  }
  return kRecordRead;
}

// A data record of `count` bytes for the addresses from `address` up.
int32_t ReadDataRecord(HexReader& reader,
                       uint8_t count,
                       uint32_t address,
                       const MemoryImage& image,
                       WrittenSpan& span,
                       uint8_t& checksum) {
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t byte = 0;
    if (!reader.ReadByte(byte)) {
      return kHexTruncated;
    }
    uint32_t absolute = address + i;
    if (absolute < image.base || absolute - image.base >= image.size) {
      return kHexOutOfRange;
    }
    span.Add(absolute);
    image.bytes[absolute - image.base] = byte;
    checksum = static_cast<uint8_t>(checksum + byte);
  }
  return kRecordRead;
}

}  // namespace

int32_t LoadIntelHex(const char* text,
                     uint32_t length,
                     uint8_t* image,
                     uint32_t imageSize,
                     uint32_t base) {
  if (length == 0 || text[0] != ':') {
    return kHexTruncated;
  }
  const MemoryImage memory{image, imageSize, base};
  WrittenSpan span;
  uint32_t upper = 0;
  HexReader reader(text, length);
  for (;;) {
    switch (SkipToRecord(reader)) {
      case Gap::kTextEnds:
        return kHexTruncated;
      case Gap::kLoadEnds:
        return span.Result();
      case Gap::kRecordStarts:
        break;
    }

    uint8_t count = 0;
    uint8_t addressHigh = 0;
    uint8_t addressLow = 0;
    uint8_t type = 0;
    if (!reader.ReadByte(count) || !reader.ReadByte(addressHigh) || !reader.ReadByte(addressLow) ||
        !reader.ReadByte(type)) {
      return kHexTruncated;
    }
    uint8_t checksum = static_cast<uint8_t>(count + addressHigh + addressLow + type);
    uint32_t address = uint32_t{addressHigh} << 8 | addressLow;

    int32_t body = kRecordRead;
    switch (type) {
      case kEndOfFile:
        return span.Result();
      case kExtendedSegmentAddress:
      case kExtendedLinearAddress:
        body = ReadAddressRecord(reader, type, checksum, upper);
        break;
      case kStartSegmentAddress:
      case kStartLinearAddress:
        body = SkipStartRecord(reader, count, checksum);
        break;
      default:  // data, and the types Intel HEX leaves undefined
        body = ReadDataRecord(reader, count, upper + address, memory, span, checksum);
        break;
    }
    if (body != kRecordRead) {
      return body;
    }

    uint8_t expected = 0;
    if (!reader.ReadByte(expected)) {
      return kHexTruncated;
    }
    if (static_cast<uint8_t>(checksum + expected) != 0) {
      return kHexBadChecksum;
    }
  }
}

}  // namespace solvane
