#include "sim/writer_clock.h"

namespace solvane {

uint32_t WriterClock::Now() const {
  return static_cast<uint32_t>(HostSeconds() + offsetSeconds_);
}

void WriterClock::Set(uint32_t time) {
  offsetSeconds_ = int64_t{time} - HostSeconds();
}

int64_t WriterClock::HostSeconds() const {
  int64_t ms = hostTime_.LocalMs();
  return ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
}

}  // namespace solvane
