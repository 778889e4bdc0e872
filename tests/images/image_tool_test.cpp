#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "package/crc32.h"
#include "tests/support/posix/child_process.h"
#include "tools/payload/payload_generator.h"

namespace solvane {
namespace {

namespace fs = std::filesystem;

// solvane-image, as the build names its target.
fs::path ToolPath() {
  return SOLVANE_IMAGE_PROGRAM;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

class ImageToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* base = std::getenv("SOLVANE_TEST_TMP");
    dir_ = fs::path(base != nullptr ? base : fs::temp_directory_path().string()) /
           ("image_tool_" + std::to_string(getpid()));
    fs::create_directories(dir_);
    ASSERT_TRUE(fs::exists(ToolPath())) << ToolPath() << " is not built";
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs the tool with `arguments` (split at spaces); returns its exit status,
  // output in out_ and err_.
  int Run(const std::string& arguments) {
    std::vector<std::string> command = {ToolPath().string()};
    std::istringstream words(arguments);
    for (std::string word; words >> word;) {
      command.push_back(word);
    }
    ChildProcess tool(command);
    const int status = tool.Finish();
    out_ = tool.output;
    err_ = tool.error;
    return status;
  }

  std::string Path(const char* name) const { return (dir_ / name).string(); }

  fs::path dir_;
  std::string out_;
  std::string err_;
};

TEST_F(ImageToolTest, PacksAndInspectsAnImage) {
  const std::vector<uint8_t> raw = GenerateImage(189);
  WriteBytes(Path("189.bin"), raw);
  char crc[16];
  std::snprintf(crc, sizeof(crc), "0x%08X", Crc32Of(raw.data(), raw.size()));

  ASSERT_EQ(Run("pack " + Path("189.bin") + " " + Path("189.lzari")), 0) << err_;
  ASSERT_EQ(Run("unpack " + Path("189.lzari") + " " + Path("189.out")), 0) << err_;
  EXPECT_EQ(ReadText(Path("189.out")), ReadText(Path("189.bin")));

  ASSERT_EQ(Run("info " + Path("189.lzari")), 0) << err_;
  EXPECT_NE(out_.find("decoded length: 32256"), std::string::npos) << out_;
  EXPECT_NE(out_.find("stored size:    " + std::to_string(fs::file_size(Path("189.lzari")))),
            std::string::npos)
      << out_;
  EXPECT_NE(out_.find("decode count:   32256"), std::string::npos) << out_;
  EXPECT_NE(out_.find(crc), std::string::npos) << out_;

  ASSERT_EQ(Run("crc " + Path("189.bin")), 0) << err_;
  EXPECT_EQ(out_, std::string(crc) + "\n");
}

TEST_F(ImageToolTest, LoadsIntelHexIntoAMemoryImage) {
  WriteBytes(Path("174.hex"), GenerateImage(174));
  ASSERT_EQ(Run("hex " + Path("174.hex") + " -o " + Path("174.mem")), 0) << err_;
  EXPECT_EQ(out_, "result: 43784\n");
  const std::string memory = ReadText(Path("174.mem"));
  ASSERT_EQ(memory.size(), 0x80000u);
  EXPECT_EQ(memory.substr(0xAB04, 4), std::string(4, '\xFF'));

  // The same text against a window that starts above it cannot load.
  EXPECT_EQ(Run("hex " + Path("174.hex") + " --base 0x80001000 --size 0x1000"), 1);
  EXPECT_NE(err_.find("result -2"), std::string::npos) << err_;
}

TEST_F(ImageToolTest, RefusesToDecodeWhatCannotBeAContainer) {
  // A raw image whose first four bytes read as a length of 64 MiB + 1.
  WriteBytes(Path("raw.bin"), {0x01, 0x00, 0x00, 0x04, 0x12, 0x34, 0x56});
  for (const std::string& command :
       {"unpack " + Path("raw.bin") + " " + Path("raw.out"), "info " + Path("raw.bin")}) {
    EXPECT_EQ(Run(command), 1) << command;
    EXPECT_NE(err_.find("decoded length 67108865 is more than 64 MiB"), std::string::npos) << err_;
    EXPECT_NE(err_.find("--any-length"), std::string::npos) << err_;
  }
  EXPECT_FALSE(fs::exists(Path("raw.out")));

  WriteBytes(Path("191.bin"), GenerateImage(191));
  ASSERT_EQ(Run("pack " + Path("191.bin") + " " + Path("191.lzari")), 0) << err_;
  ASSERT_EQ(Run("unpack --any-length " + Path("191.lzari") + " " + Path("191.out")), 0) << err_;
  EXPECT_EQ(ReadText(Path("191.out")), ReadText(Path("191.bin")));
}

TEST_F(ImageToolTest, ReportsErrorsOnStderr) {
  EXPECT_NE(Run("unpack " + Path("missing.lzari") + " " + Path("x")), 0);
  EXPECT_NE(err_.find("cannot open"), std::string::npos) << err_;
  EXPECT_TRUE(out_.empty());
  EXPECT_NE(Run("frobnicate"), 0);
  EXPECT_FALSE(err_.empty());
}

}  // namespace
}  // namespace solvane
