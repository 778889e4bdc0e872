#include <algorithm>
#include <cstdlib>

#include "tools/payload/byte_append.h"
#include "tools/payload/image_makers.h"
#include "tools/payload/prng.h"

namespace solvane {
namespace {

constexpr size_t kHeaderSize = 32;
constexpr size_t kIndexEntrySize = 8;

// A 1-bit glyph drawn from pen strokes between the points of a coarse lattice,
// which gives the stems, bars and diagonals of real characters.
class Glyph {
 public:
  Glyph(uint32_t width, uint32_t height)
      : width_(width),
        height_(height),
        rowBytes_((width + 7) / 8),
        bits_(size_t{rowBytes_} * height, 0) {}

  void Stroke(int x0, int y0, int x1, int y1, int pen) {
    const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0)) + 1;
    for (int i = 0; i <= steps; ++i) {
      const int x = x0 + (x1 - x0) * i / steps;
      const int y = y0 + (y1 - y0) * i / steps;
      for (int py = 0; py < pen; ++py) {
        for (int px = 0; px < pen; ++px) {
          Set(x + px, y + py);
        }
      }
    }
  }

  const std::vector<uint8_t>& Bits() const { return bits_; }

 private:
  void Set(int x, int y) {
    if (x >= 0 && y >= 0 && x < static_cast<int>(width_) && y < static_cast<int>(height_)) {
      bits_[y * rowBytes_ + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
  }

  uint32_t width_;
  uint32_t height_;
  uint32_t rowBytes_;
  std::vector<uint8_t> bits_;
};

}  // namespace

std::vector<uint8_t> MakeFont(uint64_t seed,
                              uint32_t glyphWidth,
                              uint32_t glyphHeight,
                              size_t size) {
  const size_t glyphBytes = size_t{(glyphWidth + 7) / 8} * glyphHeight;
  const uint32_t count =
      static_cast<uint32_t>((size - kHeaderSize) / (kIndexEntrySize + glyphBytes));
  const uint32_t bitmapOffset = static_cast<uint32_t>(kHeaderSize + count * kIndexEntrySize);

  std::vector<uint8_t> image;
  AppendText(image, "SVFT");
  AppendLe32(image, count);
  AppendLe16(image, glyphWidth);
  AppendLe16(image, glyphHeight);
  AppendLe32(image, 0x20);  // first character code
  AppendLe32(image, kHeaderSize);
  AppendLe32(image, bitmapOffset);
  image.resize(kHeaderSize, 0);

  Prng prng(seed);
  std::vector<uint8_t> bitmaps;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t advance = glyphWidth - prng.Skewed(glyphWidth / 3);
    AppendLe32(image, static_cast<uint32_t>(bitmapOffset + i * glyphBytes));
    AppendLe16(image, advance);
    AppendLe16(image, 0);

    Glyph glyph(glyphWidth, glyphHeight);
    const int cellX = static_cast<int>(advance - 4) / 4;
    const int cellY = static_cast<int>(glyphHeight - 6) / 4;
    const int pen = glyphHeight >= 32 ? 3 : 2;
    const uint32_t strokes = prng.Between(3, 8);
    for (uint32_t s = 0; s < strokes; ++s) {
      const int x0 = 2 + cellX * static_cast<int>(prng.Below(5));
      const int y0 = 3 + cellY * static_cast<int>(prng.Below(5));
      // Mostly straight stems and bars, sometimes a diagonal.
      const uint32_t kind = prng.Below(10);
      const int x1 = kind < 4 ? x0 : 2 + cellX * static_cast<int>(prng.Below(5));
      const int y1 = kind >= 4 && kind < 8 ? y0 : 3 + cellY * static_cast<int>(prng.Below(5));
      glyph.Stroke(x0, y0, x1, y1, pen);
    }
    bitmaps.insert(bitmaps.end(), glyph.Bits().begin(), glyph.Bits().end());
  }
  image.insert(image.end(), bitmaps.begin(), bitmaps.end());
  image.resize(size, 0);
  return image;
}

}  // namespace solvane
