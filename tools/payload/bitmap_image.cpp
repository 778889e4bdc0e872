
#include "tools/payload/byte_append.h"
#include "tools/payload/image_makers.h"
#include "tools/payload/prng.h"

namespace solvane {
namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 480;
constexpr int kHeaderSize = 64;

struct Rgb {
  int r, g, b;  // 0 to 255
};

// 4 x 4 ordered dither, so gradients quantised to 5-6-5 bits do not band.
constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

uint16_t ToRgb565(Rgb c, int x, int y) {
  const int d = kBayer[y & 3][x & 3];
  auto q = [d](int v, int levels) {
    const int scaled = (v * (levels - 1) * 16 + d * 255) / (255 * 16);
    return scaled < 0 ? 0 : (scaled > levels - 1 ? levels - 1 : scaled);
  };
  return static_cast<uint16_t>(q(c.r, 32) << 11 | q(c.g, 64) << 5 | q(c.b, 32));
}

// The splash screen: a sky gradient, sun discs with a soft rim, and the 23 keys of
// a steno keyboard as rounded boxes.
Rgb Pixel(int x, int y) {
  Rgb c = {20 + y * 60 / kHeight, 40 + y * 120 / kHeight, 160 + x * 80 / kWidth};
  const int dx = x - 640;
  const int dy = y - 110;
  const int d2 = dx * dx + dy * dy;
  if (d2 < 70 * 70) {
    const int shade = 255 - d2 / 40;
    c = {shade, shade * 4 / 5, 60};
  }
  if (y >= 260 && y < 460) {
    const int row = (y - 260) / 70;
    const int column = (x - 40) / 72;
    const int inX = (x - 40) % 72;
    const int inY = (y - 260) % 70;
    const bool inKey = x >= 40 && column < 10 && inX > 4 && inX < 66 && inY > 4 && inY < 64 &&
                       !(row == 2 && (column < 3 || column > 6));
    if (inKey) {
      const bool edge = inX < 8 || inX > 62 || inY < 8 || inY > 60;
      const int light = edge ? 90 : 200 - inY;
      c = {light, light, light + 20};
    }
  }
  return c;
}

}  // namespace

std::vector<uint8_t> MakeDisplayBitmap() {
  std::vector<uint8_t> image;
  image.reserve(kHeaderSize + kWidth * kHeight * 2);
  AppendText(image, "SVBM");
  AppendLe16(image, kWidth);
  AppendLe16(image, kHeight);
  AppendLe16(image, 16);     // bits per pixel
  AppendLe16(image, 0x565);  // pixel format
  AppendLe32(image, kHeaderSize);
  AppendLe32(image, kWidth * kHeight * 2);
  AppendText(image, "splash");
  image.resize(kHeaderSize, 0);

  // Grain, as a photographed background has.
  Prng grain(0x5B1A5ULL);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      Rgb c = Pixel(x, y);
      if (grain.Percent(35)) {
        const int noise = static_cast<int>(grain.Below(17)) - 8;
        c = {c.r + noise, c.g + noise, c.b + noise};
      }
      AppendLe16(image, ToRgb565(c, x, y));
    }
  }
  return image;
}

}  // namespace solvane
