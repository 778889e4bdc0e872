#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "sim/fault_set.h"

namespace solvane {

// Faults from JSON. A scenario file holds {"faults": [ ... ]}; each entry is one
// of
//   {"code": "0x0040", "request": 3, "action": "noReply"}
//   {"code": 2, "chunk": 2, "action": "status", "status": 33}
//   {"code": 1, "request": 1, "action": "shortReply", "bytes": 7}
//   {"code": 1, "request": 1, "action": "wrongCode", "replyCode": 9}
//   {"flash": "write" | "erase", "request": 2}
//   {"flash": "bitFlip", "request": 1, "offset": 100, "bit": 3}
//   {"vanish": 8, "request": 2}
//   {"restart": 1, "never": true}  or  {"restart": 1, "lateMs": 20000}
// with optional "times" (default 1, 0 for ever) and "execute" on reply faults.
// Throws on anything else.
void AddFault(const nlohmann::json& entry, FaultSet& faults);
FaultSet LoadScenario(const std::string& path);

}  // namespace solvane
