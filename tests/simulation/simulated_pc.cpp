#include "tests/simulation/simulated_pc.h"

#include <map>

#include "device/packet_header.h"

namespace solvane::simulation {

class Tap::Handle final : public DeviceHandle {
 public:
  Handle(Tap& tap, std::unique_ptr<DeviceHandle> inner) : tap_(tap), inner_(std::move(inner)) {}

  uint32_t Write(const uint8_t* data, uint32_t size, uint32_t& written) override {
    tap_.lastChunk_ = false;
    if (size >= kPacketHeaderSize) {
      PacketHeader header = DecodePacketHeader(data);
      tap_.sent.push_back(
          {header.code, header.param[0], header.param[1], tap_.window_.boxes.size()});
      bool transfer = header.code == kSendApplicationCode || header.code == kSendBootCode ||
                      header.code == kSendXLoader;
      tap_.lastChunk_ = transfer && header.param[3] + (size - kPacketHeaderSize) >= header.param[2];
    }
    return inner_->Write(data, size, written);
  }
  uint32_t Read(uint8_t* buffer, uint32_t capacity, uint32_t& read) override {
    uint32_t result = inner_->Read(buffer, capacity, read);
    if (tap_.plantedDefect && tap_.lastChunk_ && result == 0 && read >= kPacketHeaderSize) {
      PacketHeader header = DecodePacketHeader(buffer);
      if (header.code == kStatusReply) {
        header.code = kChunkAccepted;
        header.param[0] = header.param[1] = 0;
        EncodePacketHeader(header, buffer);
      }
    }
    return result;
  }
  uint32_t Control(uint32_t controlCode) override { return inner_->Control(controlCode); }
  uint32_t Close() override { return inner_->Close(); }

 private:
  Tap& tap_;
  std::unique_ptr<DeviceHandle> inner_;
};

uint32_t Tap::Open(const std::string& devicePath, std::unique_ptr<DeviceHandle>& handle) {
  std::unique_ptr<DeviceHandle> inner;
  uint32_t result = writer_.Open(devicePath, inner);
  if (result == 0) {
    handle = std::make_unique<Handle>(*this, std::move(inner));
  }
  return result;
}

std::vector<uint8_t>* KeepingResources::KeptDecode(uint32_t id) const {
  static std::map<uint32_t, std::vector<uint8_t>> kept;
  return &kept[id];
}

SimulatedPc::SimulatedPc(WriterState state, FaultSet faults)
    : hostTime_(clock),
      writer(std::move(state), hostTime_, FaultPlan(std::move(faults)), SimTiming{}, &transcript),
      access(writer, clock),
      tap(access, window),
      pcClock(clock),
      services_{tap, clock, pcClock, log, resources, version_, strings_, progress, runGuard},
      dialog(services_) {
  window.clock = &clock;
  dialog.Attach(window);
  dialog.OnInitDialog();
}

void SimulatedPc::Run(const std::vector<int>& answers) {
  window.answers.assign(answers.begin(), answers.end());
  dialog.OnCommand(kGoButton);
}

void SimulatedPc::LetRestartEnd() {
  if (!access.away()) {
    return;
  }
  clock.Advance(60000);
  std::string path;
  access.EnumerateInterface(kWriterInterfaceClass, 0, path);
}

}  // namespace solvane::simulation
