#include "tests/update/writer_components.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "package/embedded_image.h"
#include "package/intel_hex.h"
#include "package/posix/linked_resource_source.h"
#include "sim/firmware_header.h"

namespace solvane::engine_test {

namespace {

constexpr uint32_t kWifiBase = 0x01000000;
constexpr uint32_t kSensorImageSize = 0x80000;
constexpr uint32_t kSensorProgramStart = 0x2000;

struct Region {
  uint32_t address;
  uint32_t size;
};
constexpr Region kWifiApplication = {0x01100000, 0x100000};
constexpr Region kWifiNvs = {0x01020000, 0x20000};
constexpr Region kWifiKept[] = {{0x01000000, 0x20000},
                                {0x01040000, 0xC0000},
                                {0x01200000, 0x200000}};

std::vector<uint8_t> Decoded(uint32_t id) {
  EmbeddedImage image;
  if (LoadEmbeddedImage(LinkedResourceSource(), id, kApplicationImageSlack, image) !=
      ImageLoadStatus::kOk) {
    return {};
  }
  return std::vector<uint8_t>(image.data.get(), image.data.get() + image.length);
}

// A partition as an erase and a write of `image` leave it.
std::vector<uint8_t> Programmed(const std::vector<uint8_t>& image, uint32_t size) {
  std::vector<uint8_t> partition(size, 0xFF);
  std::copy_n(image.begin(), std::min<size_t>(image.size(), size), partition.begin());
  return partition;
}

struct Version {
  uint32_t word;
  uint32_t build;
  bool operator==(const Version&) const = default;
};

Version HeaderVersion(const std::vector<uint8_t>& image) {
  std::optional<FirmwareHeader> header = FirmwareHeader::Parse(image.data(), image.size());
  return header ? Version{header->versionWord, header->build} : Version{0, 0};
}

// The images the program carries, decoded once.
struct CarriedImages {
  CarriedImages() {
    std::vector<uint8_t> hex = Decoded(174);
    sensorFlash.assign(kSensorImageSize, 0xFF);
    LoadIntelHex(reinterpret_cast<const char*>(hex.data()), static_cast<uint32_t>(hex.size()),
                 sensorFlash.data(), kSensorImageSize, 0x80000000);
    wifiApplication = Programmed(Decoded(190), kWifiApplication.size);
    wifiNvs = Programmed(Decoded(191), kWifiNvs.size);
    xLoader = Programmed(Decoded(189), 0x20000);
    boot = HeaderVersion(Decoded(170));
    application = HeaderVersion(Decoded(169));
  }

  std::vector<uint8_t> sensorFlash;
  std::vector<uint8_t> wifiApplication;
  std::vector<uint8_t> wifiNvs;
  std::vector<uint8_t> xLoader;
  Version boot;
  Version application;
};

const CarriedImages& Carried() {
  static const CarriedImages carried;
  return carried;
}

bool Equal(const std::vector<uint8_t>& bytes,
           size_t offset,
           const std::vector<uint8_t>& other,
           size_t otherOffset,
           size_t length) {
  return bytes.size() >= offset + length && other.size() >= otherOffset + length &&
         std::memcmp(bytes.data() + offset, other.data() + otherOffset, length) == 0;
}

Holding Compare(bool carried, bool old) {
  return carried ? Holding::kCarried : old ? Holding::kOld : Holding::kDamaged;
}

Holding WifiHolding(const std::vector<uint8_t>& carried,
                    Region region,
                    const WriterState& now,
                    const WriterState& before) {
  size_t offset = region.address - kWifiBase;
  return Compare(Equal(now.wifi, offset, carried, 0, region.size),
                 Equal(now.wifi, offset, before.wifi, offset, region.size));
}

// Boot and application code: what is pending, else what runs.
Version BootCode(const WriterState& state) {
  if (state.pendingBoot) {
    return {state.pendingBoot->versionWord, state.pendingBoot->build};
  }
  return {state.identity.bootVersion, state.identity.bootBuild};
}

std::optional<Version> ApplicationCode(const WriterState& state) {
  if (state.pendingApplication) {
    if (!state.pendingApplication->valid) {
      return std::nullopt;
    }
    return Version{state.pendingApplication->versionWord, state.pendingApplication->build};
  }
  if (!state.identity.applicationValid) {
    return std::nullopt;
  }
  return Version{state.identity.applicationVersion, state.identity.applicationBuild};
}

}  // namespace

const char* NameOf(Component component) {
  switch (component) {
    case Component::kSensorBoard:
      return "sensor board";
    case Component::kWifiApp:
      return "WiFi application";
    case Component::kWifiNvs:
      return "WiFi NVS";
    case Component::kXLoader:
      return "X-Loader";
    case Component::kBootCode:
      return "boot code";
    case Component::kApplicationCode:
      return "application code";
  }
  return "";
}

const char* NameOf(Holding holding) {
  switch (holding) {
    case Holding::kOld:
      return "old";
    case Holding::kCarried:
      return "carried";
    case Holding::kDamaged:
      return "damaged";
  }
  return "";
}

const char* SendingLinePrefix(Component component) {
  switch (component) {
    case Component::kSensorBoard:
      return "Sending KeySensor Board Code to ";
    case Component::kWifiApp:
      return "Sending WiFi App. to ";
    case Component::kWifiNvs:
      return "Sending WiFi NVS. to ";
    case Component::kXLoader:
      return "Sending XLoader ";
    case Component::kBootCode:
      return "Sending boot code version ";
    case Component::kApplicationCode:
      return "Sending software version ";
  }
  return "";
}

Holding HoldingOf(Component component, const WriterState& now, const WriterState& before) {
  const CarriedImages& carried = Carried();
  switch (component) {
    case Component::kSensorBoard: {
      size_t length = kSensorImageSize - kSensorProgramStart;
      return Compare(Equal(now.sensorFlash, kSensorProgramStart, carried.sensorFlash,
                           kSensorProgramStart, length),
                     Equal(now.sensorFlash, kSensorProgramStart, before.sensorFlash,
                           kSensorProgramStart, length));
    }
    case Component::kWifiApp:
      return WifiHolding(carried.wifiApplication, kWifiApplication, now, before);
    case Component::kWifiNvs:
      return WifiHolding(carried.wifiNvs, kWifiNvs, now, before);
    case Component::kXLoader:
      return Compare(now.xLoaderIntact && now.xLoader == carried.xLoader,
                     now.xLoaderIntact == before.xLoaderIntact && now.xLoader == before.xLoader);
    case Component::kBootCode:
      return Compare(BootCode(now) == carried.boot, BootCode(now) == BootCode(before));
    case Component::kApplicationCode: {
      std::optional<Version> code = ApplicationCode(now);
      return Compare(code == carried.application, code == ApplicationCode(before));
    }
  }
  return Holding::kDamaged;
}

bool ProtectedMemoryKept(const WriterState& now, const WriterState& before) {
  for (Region region : kWifiKept) {
    size_t offset = region.address - kWifiBase;
    if (!Equal(now.wifi, offset, before.wifi, offset, region.size)) {
      return false;
    }
  }
  return Equal(now.sensorFlash, 0, before.sensorFlash, 0, kSensorProgramStart);
}

}  // namespace solvane::engine_test
