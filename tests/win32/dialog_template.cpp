#include "tests/win32/dialog_template.h"

#include <cstring>

namespace solvane::test {

namespace {

// Reads little-endian fields in order; any read past the end marks it failed.
class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

  bool failed() const { return failed_; }
  template <typename T>
  T Read() {
    T value{};
    if (position_ + sizeof(T) > bytes_.size()) {
      failed_ = true;
      return value;
    }
    std::memcpy(&value, bytes_.data() + position_, sizeof(T));
    position_ += sizeof(T);
    return value;
  }
  std::string ReadText() {
    std::string text;
    for (uint16_t c = Read<uint16_t>(); c != 0 && !failed_; c = Read<uint16_t>()) {
      text += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return text;
  }
  NameOrOrdinal ReadNameOrOrdinal() {
    NameOrOrdinal value;
    uint16_t first = Read<uint16_t>();
    if (first == 0xFFFF) {
      value.ordinal = Read<uint16_t>();
    } else if (first != 0) {
      position_ -= sizeof(uint16_t);
      value.name = ReadText();
    }
    return value;
  }
  void Skip(size_t count) { position_ += count; }
  void AlignToDword() { position_ = (position_ + 3) & ~size_t{3}; }

 private:
  const std::vector<uint8_t>& bytes_;
  size_t position_ = 0;
  bool failed_ = false;
};

}  // namespace

std::optional<std::vector<uint8_t>> ResourceBytes(HMODULE module, LPCSTR type, uint32_t id) {
  HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), type);
  HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  const auto* bytes = static_cast<const uint8_t*>(loaded ? LockResource(loaded) : nullptr);
  if (bytes == nullptr) {
    return std::nullopt;
  }
  return std::vector<uint8_t>(bytes, bytes + SizeofResource(module, resource));
}

std::optional<DialogTemplate> ReadDialogTemplate(HMODULE module, uint32_t id) {
  std::optional<std::vector<uint8_t>> bytes = ResourceBytes(module, MAKEINTRESOURCEA(5), id);
  if (!bytes) {
    return std::nullopt;
  }
  Reader in(*bytes);
  DialogTemplate dialog;
  dialog.version = in.Read<uint16_t>();
  dialog.signature = in.Read<uint16_t>();
  in.Read<uint32_t>();  // help id
  dialog.exStyle = in.Read<uint32_t>();
  dialog.style = in.Read<uint32_t>();
  uint16_t itemCount = in.Read<uint16_t>();
  dialog.x = in.Read<int16_t>();
  dialog.y = in.Read<int16_t>();
  dialog.cx = in.Read<int16_t>();
  dialog.cy = in.Read<int16_t>();
  dialog.menu = in.ReadNameOrOrdinal();
  dialog.windowClass = in.ReadNameOrOrdinal();
  dialog.title = in.ReadText();
  if (dialog.style & (DS_SETFONT | DS_SHELLFONT)) {
    dialog.pointSize = in.Read<uint16_t>();
    in.Read<uint16_t>();  // weight
    in.Read<uint8_t>();   // italic
    in.Read<uint8_t>();   // character set
    dialog.typeface = in.ReadText();
  }
  for (uint16_t i = 0; i < itemCount && !in.failed(); ++i) {
    in.AlignToDword();
    DialogItem item;
    in.Read<uint32_t>();  // help id
    item.exStyle = in.Read<uint32_t>();
    item.style = in.Read<uint32_t>();
    item.x = in.Read<int16_t>();
    item.y = in.Read<int16_t>();
    item.cx = in.Read<int16_t>();
    item.cy = in.Read<int16_t>();
    item.id = in.Read<uint32_t>();
    item.windowClass = in.ReadNameOrOrdinal();
    item.text = in.ReadNameOrOrdinal();
    in.Skip(in.Read<uint16_t>());  // creation data
    dialog.items.push_back(item);
  }
  if (dialog.version != 1 || dialog.signature != 0xFFFF || in.failed()) {
    return std::nullopt;
  }
  return dialog;
}

}  // namespace solvane::test
