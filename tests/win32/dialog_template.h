#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/windows_api.h"

namespace solvane::test {

// A name or an ordinal, as a dialog template stores its class, menu and texts.
struct NameOrOrdinal {
  std::string name;
  int ordinal = -1;  // -1: a name (empty when absent)
};

struct DialogItem {
  uint32_t exStyle = 0;
  uint32_t style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  uint32_t id = 0;
  NameOrOrdinal windowClass;
  NameOrOrdinal text;
};

// An extended dialog template (DLGTEMPLATEEX) read field by field.
struct DialogTemplate {
  uint16_t version = 0;
  uint16_t signature = 0;
  uint32_t exStyle = 0;
  uint32_t style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  NameOrOrdinal menu;
  NameOrOrdinal windowClass;
  std::string title;
  uint16_t pointSize = 0;
  std::string typeface;
  std::vector<DialogItem> items;
};

// Dialog template `id` of `module`; nothing when it is missing or malformed.
std::optional<DialogTemplate> ReadDialogTemplate(HMODULE module, uint32_t id);

// Resource `id` of `type` in `module`, as bytes.
std::optional<std::vector<uint8_t>> ResourceBytes(HMODULE module, LPCSTR type, uint32_t id);

}  // namespace solvane::test
