#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "sim/fault_set.h"

namespace solvane {

// Faults from JSON (fault_set.h has their meaning). A scenario file holds
// {"faults": [ ... ]} and optionally a "description" text; each entry is one of
//
// Broken replies. The trigger is the Nth request of a code, of a sub-command
// of 0xE023 or of a selector of 0x100B, or chunk N of a transfer (codes 2,
// 0x50, 0x60):
//   {"code": "0x0040", "request": 3, "action": "noReply"}
//   {"code": 1, "request": 1, "action": "shortReply", "bytes": 7}       1 to 31 bytes
//   {"code": 1, "request": 1, "action": "wrongCode", "replyCode": 9}
//   {"code": 2, "chunk": 2, "action": "status", "status": 33, "param1": 2}
//   {"code": "0x0040", "request": 1, "action": "wrongLength", "length": 70000}
//   {"subCommand": 25, "request": 1, "action": "shortPayload", "bytes": 3}
//   {"code": "0x0040", "request": 2, "action": "wrongParam", "param": 0, "value": 0}
//   {"subCommand": 24, "request": 2, "action": "wrongByte", "offset": 0, "value": 1}
//   {"selector": 8, "request": 1, "action": "wrongParam", "param": 1, "value": 0}
// with optional "times" (default 1, 0 for ever); "execute": true carries the
// request out under noReply, shortReply, wrongCode and status (the other
// actions alter the real reply and always do).
//
// Flash: the Nth WiFi write or erase fails, the Nth write flips a bit, or the
// Nth X-Loader partition write stops after "offset" bytes (default 16384):
//   {"flash": "write" | "erase", "request": 2}
//   {"flash": "bitFlip", "request": 1, "offset": 100, "bit": 3}
//   {"flash": "xLoaderWrite", "request": 1, "offset": 16384}
//
// A partition gone from the Nth query of its selector on:
//   {"vanish": 8, "request": 2}
//
// The Nth restart:
//   {"restart": 1, "never": true}  or  {"restart": 1, "lateMs": 20000}
//   {"restart": 2, "machineType": 5}  {"restart": 1, "bootMode": true}
//   {"restart": 1, "notReadyProbes": 3}
//
// Only in process (InProcessDeviceAccess), a reply `ms` late, and the power
// cut after the Nth packet, inside the Nth flash operation after "bytes" bytes,
// or the writer unplugged after the Nth packet and plugged back in:
//   {"code": 1, "request": 1, "action": "late", "ms": 1001}
//   {"powerCutAfterPacket": 12}   {"powerCutInFlash": 3, "bytes": 4096}
//   {"unplug": 12, "replugMs": 2000}
// The seeded simulation's files also hold "writer", "answers" and "tail"
// (sim/README.md); the faults ignore them.
//
// Numbers are JSON numbers or texts ("0x100B"). Throws std::invalid_argument,
// naming the entry, on an unknown key or action, a missing key, a number out
// of range or negative, or a count of 0 that could never fire.
void AddFault(const nlohmann::json& entry, FaultSet& faults);
FaultSet LoadScenario(const std::string& path);
// The faults of a scenario document already read.
FaultSet ScenarioFaults(const nlohmann::json& document);

}  // namespace solvane
