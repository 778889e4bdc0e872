// solvane-payload-gen OUTDIR: writes <id>.bin for every generated image. A file
// whose content is unchanged is left alone, so the packing after it can be skipped.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/payload/payload_generator.h"

namespace {

bool SameContent(const std::string& path, const std::vector<uint8_t>& data) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return false;
  }
  const std::vector<uint8_t> old((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
  return old == data;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: solvane-payload-gen OUTDIR\n");
    return 2;
  }
  for (uint32_t id : {169u, 170u, 171u, 172u, 173u, 174u, 189u, 190u, 191u}) {
    const std::vector<uint8_t> image = solvane::GenerateImage(id);
    const std::string path = std::string(argv[1]) + "/" + std::to_string(id) + ".bin";
    if (SameContent(path, image)) {
      continue;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    if (!out) {
      std::fprintf(stderr, "solvane-payload-gen: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
