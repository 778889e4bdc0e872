// solvane-image: the maintainer's tool for the firmware image containers.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <functional>
#include <string>

#include "tools/image_tool/image_commands.h"

// Only the option set-up, the same on every run, can throw outside the try
// below; a throw there is a fault of this file and may end the tool.
int main(int argc, char** argv) {  // NOLINT(bugprone-exception-escape)
  CLI::App app{"Packs, unpacks and inspects the firmware image containers of Solvane Update"};
  app.require_subcommand(1);
  std::function<void()> command;
  std::string first;
  std::string second;
  uint32_t base = 0x80000000;
  uint32_t size = 0x80000;
  bool anyLength = false;
  const char* anyLengthHelp = "decode a container that claims more than 64 MiB";

  CLI::App* pack = app.add_subcommand("pack", "Pack a raw image into an LZARI container");
  pack->add_option("RAW", first, "raw image")->required();
  pack->add_option("OUT", second, "container to write")->required();
  pack->callback([&] { command = [&] { solvane::PackCommand(first, second); }; });

  CLI::App* unpack = app.add_subcommand("unpack", "Write the bytes a container decodes to");
  unpack->add_option("CONTAINER", first, "image container")->required();
  unpack->add_option("OUT", second, "file to write")->required();
  unpack->add_flag("--any-length", anyLength, anyLengthHelp);
  unpack->callback([&] { command = [&] { solvane::UnpackCommand(first, second, anyLength); }; });

  CLI::App* info = app.add_subcommand("info", "Show a container's lengths and CRC register");
  info->add_option("CONTAINER", first, "image container")->required();
  info->add_flag("--any-length", anyLength, anyLengthHelp);
  info->callback([&] { command = [&] { solvane::InfoCommand(first, anyLength); }; });

  CLI::App* crc = app.add_subcommand("crc", "Show the CRC register of a file");
  crc->add_option("FILE", first, "any file")->required();
  crc->callback([&] { command = [&] { solvane::CrcCommand(first); }; });

  CLI::App* hex = app.add_subcommand("hex", "Load Intel HEX text into a 0xFF-filled memory image");
  hex->add_option("FILE", first, "Intel HEX text")->required();
  hex->add_option("--base", base, "address of the image's first byte")->capture_default_str();
  hex->add_option("--size", size, "bytes in the image")->capture_default_str();
  hex->add_option("-o,--output", second, "write the memory image here");
  hex->callback([&] { command = [&] { solvane::HexCommand(first, base, size, second); }; });

  CLI::App* list = app.add_subcommand("list", "List the images linked into the program");
  list->callback([&] { command = [] { solvane::ListCommand(); }; });

  CLI11_PARSE(app, argc, argv);
  try {
    command();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "solvane-image: %s\n", error.what());
    return 1;
  }
  return 0;
}
