#include "sim/sim_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "device/request_codes.h"
#include "sim/firmware_header.h"
#include "sim/writer_errors.h"
#include "sim/xloader_header.h"

namespace solvane {

namespace {

constexpr uint32_t kMaxCodeImage = 16 * 1024 * 1024;
// Key 1 of the identification reply: the display controller's build, which the
// updater has no use for.
constexpr uint32_t kDisplayControllerKey = 1;
constexpr uint32_t kDisplayControllerBuild = 512;

std::string TextOf(std::span<const uint8_t> bytes) {
  auto end = std::find(bytes.begin(), bytes.end(), uint8_t{0});
  return std::string(bytes.begin(), end);
}

}  // namespace

SimWriter::SimWriter(WriterState state,
                     const HostTime& hostTime,
                     FaultPlan faults,
                     SimTiming timing,
                     Transcript* transcript)
    : hostTime_(hostTime),
      faults_(std::move(faults)),
      timing_(timing),
      transcript_(transcript),
      identity_(state.identity),
      pendingApplication_(state.pendingApplication),
      pendingBoot_(state.pendingBoot),
      memory_(std::move(state.xLoader), std::move(state.wifi), state.xLoaderIntact),
      sensor_(std::move(state.sensorFlash)),
      files_(std::move(state.files), state.realtimeActive, state.jobOpen),
      clock_(hostTime, state.clockOffsetSeconds),
      display_(std::move(state.displayText), std::move(state.displayHistory)) {}

bool SimWriter::Handle(std::span<const uint8_t> request, std::vector<uint8_t>& reply) {
  reply_ = &reply;
  replied_ = false;
  lastBusyMs_ = 0;
  replyDelayMs_ = 0;
  shown_.reset();
  // A runt packet is not a request; a writer that is going away answers nothing.
  if (request.size() >= kPacketHeaderSize && !restartRequested_ && powered_) {
    Packet packet{DecodePacketHeader(request.data()), request.subspan(kPacketHeaderSize)};
    sequence_ = packet.header.sequence;
    currentCode_ = packet.header.code;
    if (packet.header.magic != kPacketMagic) {
      // Not a request of the protocol: refused before anything counts it.
      Status(kWriterErrorBadMagic);
    } else {
      ImageTransfer* transfer = TransferOf(packet.header.code);
      std::optional<ReplyFault> fault =
          faults_.OnRequest(packet.header, transfer ? transfer->NextChunk(packet.header) : 0);
      if (!fault || fault->execute || AltersTheRealReply(fault->kind)) {
        Dispatch(packet);
      }
      if (fault) {
        Fired(kReplyFaultNames[static_cast<size_t>(fault->kind)]);
        BreakReply(*fault, packet.header.code);
      }
      // A cut inside a flash operation answers nothing; one after the packet, after its reply.
      if (powered_) {
        if (std::optional<PowerCut> cut = faults_.OnPacket()) {
          PowerOff(*cut, cut->replugMs ? "unplug" : "powerCutAfterPacket");
        }
      } else {
        replied_ = false;
      }
    }
    lastBusyMs_ += timing_.UsbMs(request.size() + (replied_ ? reply.size() : 0));
  }
  if (transcript_ != nullptr) {
    int64_t now = hostTime_.LocalMs();
    transcript_->Record(now, true, request, shown_);
    transcript_->Record(now, false,
                        replied_ ? std::span<const uint8_t>(reply) : std::span<const uint8_t>());
  }
  return replied_;
}

void SimWriter::Dispatch(const Packet& request) {
  const PacketHeader& header = request.header;
  if (header.length != request.payload.size()) {
    Status(kWriterErrorBadParameters);
    return;
  }
  switch (header.code) {
    case kIdentify:
      Identify();
      break;
    case kSendApplicationCode:
    case kSendBootCode:
    case kSendXLoader:
      Transfer(request);
      break;
    case kShowMessage:
      ShowMessage(request);
      break;
    case kOpenFile:
      if (files_.Open(TextOf(request.payload))) {
        Reply(kOpenFile, {});
      } else {
        Status(kWriterErrorFileNotFound);
      }
      break;
    case kCloseFile:
      files_.Close();
      Reply(kCloseFile, {});
      break;
    case kSendImageCrc:
      announcedCrc_ = header.param[0];
      Reply(kSendImageCrc, {});
      break;
    case kReadMemory:
      ReadMemory(request);
      break;
    case kRequestReset:
      Reset();
      break;
    case kEraseFlash:
      EraseFlash(request);
      break;
    case kWriteFlash:
      WriteFlash(request);
      break;
    case kQueryPartition:
      QueryPartition(request);
      break;
    case kExchangeClock:
      if (header.param[1] > 1) {
        Status(kWriterErrorBadParameters);
        break;
      }
      if (header.param[1] == 1) {
        clock_.Set(header.param[0]);
      }
      Reply(kExchangeClock, {clock_.Now()});
      break;
    case kReadBootVersions:
      Reply(kReadBootVersions, {identity_.bootVersion, identity_.bootBuild,
                                identity_.secondaryBootVersion, identity_.secondaryBootBuild});
      break;
    case kSendCommand:
      Command(request);
      break;
    default:
      Status(kWriterErrorUnknownRequest);
      break;
  }
}

void SimWriter::ShowMessage(const Packet& request) {
  // Just back from a restart, the display may not be up yet.
  if (notReadyProbes_ > 0) {
    --notReadyProbes_;
    Status(kWriterErrorNotReady);
    return;
  }
  display_.Show(TextOf(
      request.payload.first(std::min<size_t>(request.header.param[0], request.payload.size()))));
  shown_ = display_.current();
  Reply(kShowMessage, {});
}

void SimWriter::Identify() {
  uint8_t pairs[16];
  StoreLe32(pairs, 0);
  StoreLe32(pairs + 4, sensor_.build());
  StoreLe32(pairs + 8, kDisplayControllerKey);
  StoreLe32(pairs + 12, kDisplayControllerBuild);
  bool boot = identity_.bootMode;
  Reply(kIdentify,
        {identity_.machineType, boot ? identity_.bootVersion : identity_.applicationVersion,
         boot ? 1u : 0u, boot ? identity_.bootBuild : identity_.applicationBuild},
        pairs);
}

ImageTransfer* SimWriter::TransferOf(uint16_t code) {
  switch (code) {
    case kSendApplicationCode:
      return &applicationTransfer_;
    case kSendBootCode:
      return &bootTransfer_;
    case kSendXLoader:
      return &xLoaderTransfer_;
    default:
      return nullptr;
  }
}

void SimWriter::Transfer(const Packet& request) {
  const PacketHeader& header = request.header;
  ImageTransfer& transfer = *TransferOf(header.code);
  if (RefuseWhileBusy()) {
    transfer.Reset();
    return;
  }
  if (header.param[0] != identity_.machineType) {
    transfer.Reset();
    Status(kWriterErrorMachineType);
    return;
  }
  bool application = header.code == kSendApplicationCode;
  uint32_t maxChunk = application ? static_cast<uint32_t>(kMaxPayload) : maximumChunk();
  uint32_t maxTotal = header.code == kSendXLoader ? WriterMemory::kXLoaderSize : kMaxCodeImage;
  if (uint32_t error = transfer.Take(header, request.payload, maxChunk, maxTotal, announcedCrc_);
      error != 0) {
    Status(error);
    return;
  }
  if (transfer.Complete()) {
    InstallImage(header.code, transfer.TakeImage());
    if (!replied_) {
      Reply(kChunkAccepted, {});
    }
    return;
  }
  Reply(kChunkAccepted, {});
}

void SimWriter::InstallImage(uint16_t code, std::vector<uint8_t> image) {
  lastBusyMs_ += timing_.FlashMs(image.size());
  if (code == kSendXLoader) {
    if (!XLoaderHeader::MatchesImage(image)) {
      Status(kWriterErrorInvalidImage);
      return;
    }
    std::optional<uint32_t> cut = faults_.OnXLoaderWrite();
    if (cut) {
      Fired("xLoaderWrite");
    }
    if (std::optional<size_t> powerCut = CutInside(image.size())) {
      memory_.WriteXLoader(image, *powerCut);
      return;
    }
    memory_.WriteXLoader(image, cut.value_or(image.size()));
    if (cut) {
      Status(kWriterErrorFlashFailure);
    }
    return;
  }
  std::optional<FirmwareHeader> header = FirmwareHeader::Parse(image.data(), image.size());
  bool valid = header && header->imageLength == image.size();
  if (code == kSendBootCode) {
    // Broken boot code would leave nothing to recover with: the writer refuses it.
    if (!valid || header->component != FirmwareHeader::kBoot) {
      Status(kWriterErrorInvalidImage);
      return;
    }
    pendingBoot_ = PendingImage{true, header->versionWord, header->build};
    return;
  }
  // Application code is stored as it came; one without a proper header leaves the
  // writer in boot mode after the restart.
  valid = valid && header->component == FirmwareHeader::kApplication;
  pendingApplication_ =
      PendingImage{valid, valid ? header->versionWord : 0, valid ? header->build : 0};
}

void SimWriter::ReadMemory(const Packet& request) {
  uint32_t address = request.header.param[0];
  uint32_t length = request.header.param[1];
  if (length == 0 || length > maximumChunk()) {
    Status(kWriterErrorBadParameters);
    return;
  }
  std::optional<std::span<const uint8_t>> data = memory_.Read(address, length);
  if (!data) {
    Status(kWriterErrorBadAddress);
    return;
  }
  lastBusyMs_ += timing_.FlashMs(length);
  Reply(kReadMemory, {address, length}, *data);
}

void SimWriter::EraseFlash(const Packet& request) {
  uint32_t address = request.header.param[0];
  uint32_t size = request.header.param[1];
  if (RefuseWhileBusy()) {
    return;
  }
  if (uint32_t error = memory_.CheckWifiChange(address, size); error != 0) {
    Status(error);
    return;
  }
  if (address % NorFlash::kBlockSize != 0 || size % NorFlash::kBlockSize != 0) {
    Status(kWriterErrorBadAddress);
    return;
  }
  if (faults_.OnFlashErase()) {
    Fired("erase");
    Status(kWriterErrorFlashFailure);
    return;
  }
  if (std::optional<size_t> cut = CutInside(size)) {
    memory_.EraseCut(address, size, *cut);
    return;
  }
  memory_.wifi().Erase(address, size);
  lastBusyMs_ += size / NorFlash::kBlockSize * timing_.eraseMsPerBlock;
  Reply(kEraseFlash, {});
}

void SimWriter::WriteFlash(const Packet& request) {
  uint32_t address = request.header.param[0];
  uint32_t count = request.header.param[1];
  if (RefuseWhileBusy()) {
    return;
  }
  if (count == 0 || count > maximumChunk() ||
      request.payload.size() != size_t{(count + 31) / 32} * 32) {
    Status(kWriterErrorBadParameters);
    return;
  }
  if (uint32_t error = memory_.CheckWifiChange(address, count); error != 0) {
    Status(error);
    return;
  }
  std::span<const uint8_t> data = request.payload.first(count);
  std::optional<FlashFault> fault = faults_.OnFlashWrite();
  if (fault) {
    Fired(fault->kind == FlashFaultKind::kBitFlip ? "bitFlip" : "write");
  }
  if (fault && fault->kind == FlashFaultKind::kWriteFails) {
    Status(kWriterErrorFlashFailure);
    return;
  }
  if (fault && fault->kind == FlashFaultKind::kBitFlip) {
    scratch_.assign(data.begin(), data.end());
    scratch_[std::min<size_t>(fault->offset, count - 1)] ^=
        static_cast<uint8_t>(1u << (fault->bit % 8));
    data = scratch_;
  }
  if (std::optional<size_t> cut = CutInside(data.size())) {
    memory_.wifi().Program(address, data.first(*cut));
    return;
  }
  memory_.wifi().Program(address, data);
  lastBusyMs_ += timing_.FlashMs(count);
  Reply(kChunkAccepted, {});
}

void SimWriter::QueryPartition(const Packet& request) {
  uint32_t selector = request.header.param[0];
  std::optional<Partition> partition = WriterMemory::FindPartition(selector);
  if (partition && faults_.PartitionVanished(selector)) {
    Fired("vanish");
  }
  if (!partition || faults_.PartitionVanished(selector)) {
    Reply(kQueryPartition, {0, 0});
    return;
  }
  Reply(kQueryPartition, {partition->address, partition->size});
}

void SimWriter::Command(const Packet& request) {
  scratch_.clear();
  uint32_t subCommand = request.header.param[0];
  bool release =
      subCommand == kSensorMode && request.payload.size() == 1 && request.payload[0] == 1;
  bool programming =
      subCommand == kSensorMode || subCommand == kSensorCrc || subCommand == kSensorWrite;
  // Releasing the board is always allowed; taking it over for programming is not.
  if (programming && !release && RefuseWhileBusy()) {
    return;
  }
  uint32_t error = kWriterErrorUnknownRequest;
  switch (subCommand) {
    case kSensorMode:
      error = sensor_.SetMode(request.payload, scratch_);
      break;
    case kSensorCrc:
      error = sensor_.Checksum(request.payload, scratch_);
      break;
    case kSensorWrite:
      if (request.payload.size() > 4) {
        if (std::optional<size_t> cut = CutInside(request.payload.size() - 4)) {
          sensor_.Write(request.payload.first(4 + *cut));
          return;
        }
      }
      error = sensor_.Write(request.payload);
      lastBusyMs_ += timing_.FlashMs(request.payload.size());
      break;
  }
  if (error != 0) {
    Status(error);
    return;
  }
  Reply(kSendCommand, {}, scratch_);
}

// The writer will not reprogram or restart itself while a file is open or realtime runs.
bool SimWriter::RefuseWhileBusy() {
  uint32_t busy = files_.BusyBits();
  if (busy != 0) {
    Status(kWriterErrorBusy, busy);
  }
  return busy != 0;
}

void SimWriter::Reset() {
  if (RefuseWhileBusy()) {
    return;
  }
  Reply(kRequestReset, {});
  restartRequested_ = true;
  restartFault_ = faults_.OnRestart();
  if (restartFault_) {
    Fired("restart");
  }
}

std::optional<uint32_t> SimWriter::RestartDurationMs() const {
  if ((restartFault_ && restartFault_->never) || !Starts()) {
    return std::nullopt;
  }
  return timing_.restartMs + (restartFault_ ? restartFault_->lateMs : 0);
}

void SimWriter::CompleteRestart() {
  currentCode_ = 0;
  Install(pendingBoot_, identity_.bootIntact, identity_.bootVersion, identity_.bootBuild);
  Install(pendingApplication_, identity_.applicationValid, identity_.applicationVersion,
          identity_.applicationBuild);
  if (!powered_) {
    return;
  }
  identity_.bootMode = !identity_.applicationValid;
  notReadyProbes_ = 0;
  if (restartFault_) {
    identity_.machineType = restartFault_->machineType.value_or(identity_.machineType);
    identity_.bootMode = identity_.bootMode || restartFault_->bootMode;
    notReadyProbes_ = restartFault_->notReadyProbes;
    restartFault_.reset();
  }
  files_.Restart();
  sensor_.Restart();
  applicationTransfer_.Reset();
  bootTransfer_.Reset();
  xLoaderTransfer_.Reset();
  announcedCrc_.reset();
  restartRequested_ = false;
}

// Installing pending code is a flash operation: a power cut inside it leaves
// that code damaged and the writer off.
void SimWriter::Install(std::optional<PendingImage>& pending,
                        bool& intact,
                        uint32_t& version,
                        uint32_t& build) {
  if (!pending || !powered_) {
    return;
  }
  intact = !CutInside(1) && pending->valid;
  version = pending->versionWord;
  build = pending->build;
  pending.reset();
}

std::optional<size_t> SimWriter::CutInside(size_t size) {
  std::optional<PowerCut> cut = faults_.OnFlashOperation();
  if (!cut) {
    return std::nullopt;
  }
  cutOperationSize_ = size;
  PowerOff(PowerCut{}, "powerCutInFlash");
  return std::min<size_t>(cut->bytes, size);
}

void SimWriter::PowerOff(const PowerCut& cut, const char* kind) {
  Fired(kind);
  powered_ = false;
  replugMs_ = cut.replugMs;
}

void SimWriter::Fired(const char* kind) {
  char code[8];
  std::snprintf(code, sizeof code, "%04X", currentCode_);
  fired_.push_back(std::string(kind) + "@0x" + code);
}

// Code waiting for a restart is held in working memory, which the power loss
// clears: the writer starts with the code it had installed.
void SimWriter::PowerOn() {
  pendingApplication_.reset();
  pendingBoot_.reset();
  restartFault_.reset();
  powered_ = true;
  replugMs_.reset();
  CompleteRestart();
}

void SimWriter::BreakReply(const ReplyFault& fault, uint16_t requestCode) {
  switch (fault.kind) {
    case ReplyFaultKind::kNoReply:
      replied_ = false;
      break;
    case ReplyFaultKind::kShortReply:
      Reply(requestCode, {});
      reply_->resize(std::clamp<uint32_t>(fault.value, 1, kPacketHeaderSize - 1));
      break;
    case ReplyFaultKind::kWrongCode:
      Reply(static_cast<uint16_t>(fault.value), {});
      break;
    case ReplyFaultKind::kStatus:
      Status(fault.value, fault.statusParam1);
      break;
    case ReplyFaultKind::kLate:
      replyDelayMs_ = fault.value;
      break;
    default:
      AlterReply(fault);
      break;
  }
}

void SimWriter::AlterReply(const ReplyFault& fault) {
  if (!replied_) {
    return;
  }
  std::vector<uint8_t>& reply = *reply_;
  PacketHeader header = DecodePacketHeader(reply.data());
  switch (fault.kind) {
    case ReplyFaultKind::kWrongLength:
      header.length = fault.value;
      break;
    case ReplyFaultKind::kShortPayload:
      reply.resize(kPacketHeaderSize + std::min<size_t>(fault.value, header.length));
      header.length = static_cast<uint32_t>(reply.size() - kPacketHeaderSize);
      break;
    case ReplyFaultKind::kWrongParam:
      header.param[std::min<uint32_t>(fault.index, 4)] = fault.value;
      break;
    case ReplyFaultKind::kWrongByte:
      if (fault.index < kMaxPayload) {
        size_t at = kPacketHeaderSize + fault.index;
        reply.resize(std::max(reply.size(), at + 1), 0);
        reply[at] = static_cast<uint8_t>(fault.value);
        header.length = static_cast<uint32_t>(reply.size() - kPacketHeaderSize);
      }
      break;
    default:
      break;
  }
  EncodePacketHeader(header, reply.data());
}

void SimWriter::Reply(uint16_t code,
                      std::initializer_list<uint32_t> params,
                      std::span<const uint8_t> payload) {
  PacketHeader header;
  header.magic = kPacketMagic;
  header.sequence = sequence_;
  header.code = code;
  header.length = static_cast<uint32_t>(payload.size());
  std::copy(params.begin(), params.end(), header.param);
  reply_->resize(kPacketHeaderSize + payload.size());
  EncodePacketHeader(header, reply_->data());
  std::copy(payload.begin(), payload.end(), reply_->begin() + kPacketHeaderSize);
  replied_ = true;
}

void SimWriter::Status(uint32_t error, uint32_t param1) {
  Reply(kStatusReply, {error, param1});
}

WriterState SimWriter::State() const {
  WriterState state;
  state.identity = identity_;
  state.pendingApplication = pendingApplication_;
  state.pendingBoot = pendingBoot_;
  state.xLoader = memory_.xLoader().content();
  state.xLoaderIntact = memory_.xLoaderIntact();
  state.wifi = memory_.wifi().content();
  state.sensorFlash = sensor_.flash();
  state.clockOffsetSeconds = clock_.offsetSeconds();
  state.files = files_.names();
  state.realtimeActive = files_.realtimeActive();
  state.jobOpen = files_.jobOpen();
  state.displayText = display_.current();
  state.displayHistory = display_.history();
  return state;
}

}  // namespace solvane
