#include "tests/update/fault_cells.h"

#include <algorithm>
#include <cstdio>

#include "device/request_codes.h"

namespace solvane::engine_test {

namespace {

// Which requests a kind of broken reply is tried on.
enum class Applies {
  kEvery,
  kChangesWriter,     // requests the writer acts on, so "carried out" differs from not
  kRefusedWhileBusy,  // requests a busy writer refuses
  kWithPayload,       // replies that carry a payload
  kXLoaderRead,       // read-backs of the X-Loader partition
};

struct ReplyKindRow {
  const char* name;
  ReplyFaultKind kind;
  uint32_t value;
  uint32_t statusParam1;
  bool execute;
  uint32_t index;
  Applies applies;
};

// Every kind of broken reply. "Carried out" comes with no reply and with a
// refusal only: the link fails a cut reply or one of another code alike.
constexpr ReplyKindRow kReplyKinds[] = {
    {"no reply", ReplyFaultKind::kNoReply, 0, 0, false, 0, Applies::kEvery},
    {"no reply, carried out", ReplyFaultKind::kNoReply, 0, 0, true, 0, Applies::kChangesWriter},
    {"reply cut to 7 bytes", ReplyFaultKind::kShortReply, 7, 0, false, 0, Applies::kEvery},
    {"reply code 0x0009", ReplyFaultKind::kWrongCode, 9, 0, false, 0, Applies::kEvery},
    {"status 0x23", ReplyFaultKind::kStatus, 0x23, 0, false, 0, Applies::kEvery},
    {"status 0x23, carried out", ReplyFaultKind::kStatus, 0x23, 0, true, 0,
     Applies::kChangesWriter},
    {"busy (status 3, a file open)", ReplyFaultKind::kStatus, 3, 1, false, 0,
     Applies::kRefusedWhileBusy},
    {"length field 70000", ReplyFaultKind::kWrongLength, 70000, 0, false, 0, Applies::kWithPayload},
    {"payload byte 0 set to 0xA5", ReplyFaultKind::kWrongByte, 0xA5, 0, false, 0,
     Applies::kWithPayload},
    // The version digit of the writer's X-Loader: "X-Loader 9.00 (".
    {"payload byte 0x409 set to '9'", ReplyFaultKind::kWrongByte, '9', 0, false, 0x409,
     Applies::kXLoaderRead},
};

constexpr uint32_t kXLoaderRegion = 0x00020000;
constexpr uint32_t kXLoaderRegionSize = 0x20000;

bool ChangesWriter(const TriggerKey& key) {
  switch (key.code) {
    case kSendApplicationCode:
    case kSendBootCode:
    case kSendXLoader:
    case kSendImageCrc:
    case kEraseFlash:
    case kWriteFlash:
    case kRequestReset:
      return true;
    case kSendCommand:
      return key.subCommand != kSensorCrc;
    default:
      return false;
  }
}

bool RefusedWhileBusy(const TriggerKey& key) {
  return ChangesWriter(key) && key.code != kSendImageCrc;
}

bool Applicable(Applies applies, const TriggerPoint& point) {
  switch (applies) {
    case Applies::kEvery:
      return true;
    case Applies::kChangesWriter:
      return ChangesWriter(point.key);
    case Applies::kRefusedWhileBusy:
      return RefusedWhileBusy(point.key);
    case Applies::kWithPayload:
      return point.reply.length > 0;
    case Applies::kXLoaderRead:
      return point.key.code == kReadMemory && point.reply.length > 0x409 &&
             point.reply.params[0] - kXLoaderRegion < kXLoaderRegionSize;
  }
  return false;
}

ReplyFault FaultAt(const TriggerPoint& point) {
  ReplyFault fault;
  fault.code = point.key.code;
  fault.subCommand = point.key.subCommand;
  fault.selector = point.key.selector;
  (point.key.chunk ? fault.chunk : fault.request) = point.number;
  return fault;
}

FaultCell ReplyCell(std::string what, const TriggerPoint& point, ReplyFault fault) {
  FaultCell cell{what + " at " + point.key.Describe(point.number)};
  cell.faults.replies.push_back(fault);
  return cell;
}

std::string Text(const char* format, uint32_t a, uint32_t b = 0) {
  char text[96];
  std::snprintf(text, sizeof(text), format, a, b);
  return text;
}

}  // namespace

std::vector<FaultCell> BrokenReplyCells(const std::vector<TriggerPoint>& points) {
  std::vector<FaultCell> cells;
  for (const TriggerPoint& point : points) {
    for (const ReplyKindRow& row : kReplyKinds) {
      if (!Applicable(row.applies, point)) {
        continue;
      }
      ReplyFault fault = FaultAt(point);
      fault.kind = row.kind;
      fault.value = row.value;
      fault.statusParam1 = row.statusParam1;
      fault.execute = row.execute;
      fault.index = row.index;
      cells.push_back(ReplyCell(row.name, point, fault));
    }
    if (point.reply.length > 0) {
      ReplyFault fault = FaultAt(point);
      fault.kind = ReplyFaultKind::kShortPayload;
      fault.value = point.reply.length / 2;
      cells.push_back(ReplyCell(Text("payload cut to %u bytes", fault.value), point, fault));
    }
    // Every parameter the reply carries, put to 0.
    for (uint32_t index = 0; index < 5; ++index) {
      if (point.reply.params[index] != 0) {
        ReplyFault fault = FaultAt(point);
        fault.kind = ReplyFaultKind::kWrongParam;
        fault.index = index;
        fault.value = 0;
        cells.push_back(ReplyCell(Text("param%u 0x%X put to 0", index, point.reply.params[index]),
                                  point, fault));
      }
    }
  }
  return cells;
}

std::vector<FaultCell> LastingReplyCells(const std::vector<TriggerPoint>& points) {
  std::vector<FaultCell> cells;
  std::vector<TriggerKey> keys;
  for (const TriggerPoint& point : points) {
    if (std::find(keys.begin(), keys.end(), point.key) != keys.end()) {
      continue;
    }
    keys.push_back(point.key);
    ReplyFault fault = FaultAt(point);
    fault.times = 0;
    fault.kind = ReplyFaultKind::kNoReply;
    cells.push_back(ReplyCell("no reply ever again", point, fault));
    fault.kind = ReplyFaultKind::kStatus;
    fault.value = 0x23;
    cells.push_back(ReplyCell("status 0x23 ever again", point, fault));
  }
  return cells;
}

std::vector<FaultCell> FlashCells(const RunCensus& census) {
  std::vector<FaultCell> cells;
  auto add = [&](std::string name, FlashFault fault) {
    FaultCell cell{std::move(name)};
    cell.faults.flash.push_back(fault);
    cells.push_back(std::move(cell));
  };
  for (uint32_t write : census.flashWrites()) {
    add(Text("WiFi write %u fails", write),
        {.kind = FlashFaultKind::kWriteFails, .request = write});
    add(Text("WiFi write %u flips bit 3 of byte 100", write),
        {.kind = FlashFaultKind::kBitFlip, .request = write, .offset = 100, .bit = 3});
  }
  if (!census.flashWrites().empty()) {
    add("every WiFi write fails", {.kind = FlashFaultKind::kWriteFails, .request = 1, .times = 0});
  }
  for (uint32_t erase : census.flashErases()) {
    add(Text("WiFi erase %u fails", erase),
        {.kind = FlashFaultKind::kEraseFails, .request = erase});
  }
  if (!census.flashErases().empty()) {
    add("every WiFi erase fails", {.kind = FlashFaultKind::kEraseFails, .request = 1, .times = 0});
  }
  for (uint32_t write = 1; write <= census.xLoaderWrites(); ++write) {
    for (uint32_t offset : {0u, 16384u}) {
      add(Text("X-Loader partition write %u stops after %u bytes", write, offset),
          {.kind = FlashFaultKind::kXLoaderWriteFails, .request = write, .offset = offset});
    }
  }
  return cells;
}

std::vector<FaultCell> VanishedPartitionCells(const RunCensus& census) {
  std::vector<FaultCell> cells;
  for (auto [selector, queries] : census.partitionQueries()) {
    for (uint32_t query = 1; query <= queries; ++query) {
      FaultCell cell{Text("partition %u gone from query %u on", selector, query)};
      cell.faults.vanish.push_back({.selector = selector, .request = query});
      cells.push_back(std::move(cell));
    }
  }
  return cells;
}

std::vector<FaultCell> RestartCells(const RunCensus& census) {
  struct RestartRow {
    const char* name;
    RestartFault fault;
  };
  const RestartRow rows[] = {
      {"never comes back", {.never = true}},
      {"comes back 5 s late", {.lateMs = 5000}},
      {"comes back 20 s late", {.lateMs = 20000}},
      {"comes back as type 20", {.machineType = 20}},
      {"comes back as type 5", {.machineType = 5}},
      {"comes back in boot mode", {.bootMode = true}},
      {"display refuses 3 texts", {.notReadyProbes = 3}},
      {"display refuses 10 texts", {.notReadyProbes = 10}},
  };
  std::vector<FaultCell> cells;
  for (uint32_t restart = 1; restart <= census.restartsWithinRun(); ++restart) {
    for (const RestartRow& row : rows) {
      FaultCell cell{Text("restart %u ", restart) + row.name};
      cell.faults.restarts.push_back(row.fault);
      cell.faults.restarts.back().restart = restart;
      cells.push_back(std::move(cell));
    }
  }
  return cells;
}

std::vector<FaultCell> BusyWriterCells() {
  FaultCell job{"a job file open on the writer"};
  job.jobOpen = true;
  FaultCell realtime{"realtime running on the writer"};
  realtime.realtimeActive = true;
  return {job, realtime};
}

}  // namespace solvane::engine_test
