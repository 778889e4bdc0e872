#pragma once

#include <cstdint>
#include <vector>

namespace solvane {

// What goes wrong with the simulated writer. Counts start at 1; a fault fires
// `times` times in a row from its trigger (0: every time from then on).

enum class ReplyFaultKind { kNoReply, kShortReply, kWrongCode, kStatus };

// A broken reply to the Nth request of a code, or to chunk N of a transfer.
struct ReplyFault {
  uint16_t code = 0;
  uint32_t request = 0;  // Nth request of the code; 0 when `chunk` is the trigger
  uint32_t chunk = 0;    // chunk N of a transfer of the code
  uint32_t times = 1;
  ReplyFaultKind kind = ReplyFaultKind::kNoReply;
  uint32_t value = 0;  // short reply: bytes (1 to 31); wrong code: the code; status: error code
  uint32_t statusParam1 = 0;
  bool execute = false;  // carry the request out and break only the reply
};

enum class FlashFaultKind { kWriteFails, kEraseFails, kBitFlip };

// The Nth flash write or erase fails, or the Nth write stores a flipped bit.
struct FlashFault {
  FlashFaultKind kind = FlashFaultKind::kWriteFails;
  uint32_t request = 1;
  uint32_t times = 1;
  uint32_t offset = 0;  // bit flip: byte within the write
  uint32_t bit = 0;
};

// QueryPartition of a selector answers size 0 from its Nth request on.
struct VanishFault {
  uint32_t selector = 0;
  uint32_t request = 1;
};

// The Nth restart never ends, or ends `lateMs` later than it should.
struct RestartFault {
  uint32_t restart = 1;
  bool never = false;
  uint32_t lateMs = 0;
};

struct FaultSet {
  std::vector<ReplyFault> replies;
  std::vector<FlashFault> flash;
  std::vector<VanishFault> vanish;
  std::vector<RestartFault> restarts;
};

}  // namespace solvane
