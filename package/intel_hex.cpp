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

}  // namespace

int32_t LoadIntelHex(const char* text,
                     uint32_t length,
                     uint8_t* image,
                     uint32_t imageSize,
                     uint32_t base) {
  if (length == 0 || text[0] != ':') {
    return kHexTruncated;
  }
  uint32_t lowest = 0xFFFFFFFF;
  uint32_t highest = 0;
  uint32_t upper = 0;
  bool wroteData = false;
  // A load that ends well but wrote nothing has nothing to program.
  auto span = [&]() -> int32_t {
    return wroteData ? static_cast<int32_t>(highest - lowest + 1) : kHexTruncated;
  };

  HexReader reader(text, length);
  for (;;) {
    // Between records: digits and line ends are passed over up to the next ':'.
    for (;;) {
      if (reader.AtEnd()) {
        return kHexTruncated;
      }
      char c = reader.Next();
      if (c == ':') {
        break;
      }
      if (kDigits[static_cast<uint8_t>(c)] == kIllegal) {
        return span();
      }
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

    switch (type) {
      case kEndOfFile:
        return span();
      case kExtendedSegmentAddress:
      case kExtendedLinearAddress: {
        uint8_t high = 0;
        uint8_t low = 0;
        if (!reader.ReadByte(high) || !reader.ReadByte(low)) {
          return kHexTruncated;
        }
        checksum = static_cast<uint8_t>(checksum + high + low);
        uint32_t value = uint32_t{high} << 8 | low;
        upper = type == kExtendedSegmentAddress ? value * 16 : value * 65536;
        break;
      }
      case kStartSegmentAddress:
      case kStartLinearAddress:
        for (uint32_t i = 0; i < count; ++i) {
          uint8_t byte = 0;
          if (!reader.ReadByte(byte)) {
            return kHexTruncated;
          }
          checksum = static_cast<uint8_t>(checksum + byte);
        }
        break;
      default:  // data, and the types Intel HEX leaves undefined
        for (uint32_t i = 0; i < count; ++i) {
          uint8_t byte = 0;
          if (!reader.ReadByte(byte)) {
            return kHexTruncated;
          }
          uint32_t absolute = upper + address;
          if (absolute < base || absolute - base >= imageSize) {
            return kHexOutOfRange;
          }
          lowest = absolute < lowest ? absolute : lowest;
          highest = absolute > highest ? absolute : highest;
          wroteData = true;
          image[absolute - base] = byte;
          checksum = static_cast<uint8_t>(checksum + byte);
          ++address;
        }
        break;
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
