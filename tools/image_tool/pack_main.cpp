// solvane-image-pack RAW OUT: the build's packer. It links only the encoder, so
// the image library can be built from its output without a cycle.
#include <cstdio>
#include <exception>

#include "tools/image_tool/file_bytes.h"
#include "tools/lzari/lzari_encoder.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: solvane-image-pack RAW OUT\n");
    return 2;
  }
  try {
    const std::vector<uint8_t> raw = solvane::ReadFileBytes(argv[1]);
    solvane::WriteFileBytes(argv[2], solvane::PackImageContainer(raw));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "solvane-image-pack: %s\n", error.what());
    return 1;
  }
  return 0;
}
