#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace solvane {

// What goes wrong with the simulated writer. Counts start at 1; a fault fires
// `times` times in a row from its trigger (0: every time from then on). The
// scenario format (scenario_file.h) writes the same faults as JSON.

enum class ReplyFaultKind {
  kNoReply,       // nothing comes back
  kShortReply,    // the reply packet is cut to `value` bytes (1 to 31), below a header
  kWrongCode,     // an empty reply with code `value`
  kStatus,        // a status reply: error code `value`, param1 `statusParam1`
  kWrongLength,   // the real reply, its length field set to `value`
  kShortPayload,  // the real reply, its payload cut to at most `value` bytes
  kWrongParam,    // the real reply, param `index` (0 to 4) set to `value`
  kWrongByte,     // the real reply, payload byte `index` set to `value` (zero-filled up to it)
  kLate,          // the real reply, `value` ms late
};

inline constexpr const char* kReplyFaultNames[] = {"noReply",    "shortReply",  "wrongCode",
                                                   "status",     "wrongLength", "shortPayload",
                                                   "wrongParam", "wrongByte",   "late"};

// Whether the kind changes the reply the writer gave, rather than replacing it.
inline bool AltersTheRealReply(ReplyFaultKind kind) {
  return kind == ReplyFaultKind::kWrongLength || kind == ReplyFaultKind::kShortPayload ||
         kind == ReplyFaultKind::kWrongParam || kind == ReplyFaultKind::kWrongByte ||
         kind == ReplyFaultKind::kLate;
}

// A broken reply. The trigger is the Nth request of `code` (with `subCommand`:
// the Nth command request of that sub-command; with `selector`: the Nth
// partition query of that selector), or chunk N of a transfer of `code`. The
// kinds that alter the real reply always carry the request out; the others do
// only with `execute`.
struct ReplyFault {
  uint16_t code = 0;
  uint32_t request = 0;  // Nth request; 0 when `chunk` is the trigger
  uint32_t chunk = 0;    // chunk N of a transfer of the code
  uint32_t times = 1;
  ReplyFaultKind kind = ReplyFaultKind::kNoReply;
  uint32_t value = 0;
  uint32_t statusParam1 = 0;
  bool execute = false;
  uint32_t index = 0;                                 // wrong param: which; wrong byte: its offset
  std::optional<uint32_t> subCommand = std::nullopt;  // only with code 0xE023
  std::optional<uint32_t> selector = std::nullopt;    // only with code 0x100B
};

enum class FlashFaultKind { kWriteFails, kEraseFails, kBitFlip, kXLoaderWriteFails };

// The Nth WiFi flash write or erase fails, or the Nth write stores a flipped
// bit; or the Nth X-Loader partition write stops after `offset` bytes.
struct FlashFault {
  FlashFaultKind kind = FlashFaultKind::kWriteFails;
  uint32_t request = 1;
  uint32_t times = 1;
  uint32_t offset = 0;  // bit flip: byte within the write; X-Loader: bytes written
  uint32_t bit = 0;
};

// QueryPartition of a selector answers size 0 from its Nth query of that selector on.
struct VanishFault {
  uint32_t selector = 0;
  uint32_t request = 1;
};

// What happens at the Nth restart: the writer never comes back or comes back
// `lateMs` late; it comes back as another machine type, or in boot mode; its
// display refuses the first `notReadyProbes` texts (status 0x29).
struct RestartFault {
  uint32_t restart = 1;
  bool never = false;
  uint32_t lateMs = 0;
  std::optional<uint32_t> machineType = std::nullopt;
  bool bootMode = false;
  uint32_t notReadyProbes = 0;
};

// The power goes off after the writer answered its Nth packet (`packet`), or
// inside its Nth flash operation (`operation`: X-Loader partition writes, WiFi
// erases and writes, sensor board writes and the installs of boot and
// application code at a restart, counted together) after `bytes` bytes. With
// `replugMs` the writer was unplugged after the packet and is plugged back in
// that much later.
struct PowerCut {
  uint32_t packet = 0;  // 0: `operation` is the trigger
  uint32_t operation = 0;
  uint32_t bytes = 0;
  std::optional<uint32_t> replugMs = std::nullopt;
};

struct FaultSet {
  std::vector<ReplyFault> replies;
  std::vector<FlashFault> flash;
  std::vector<VanishFault> vanish;
  std::vector<RestartFault> restarts;
  std::vector<PowerCut> powerCuts;
};

}  // namespace solvane
