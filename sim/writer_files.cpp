#include "sim/writer_files.h"

namespace solvane {

WriterFiles::WriterFiles(std::set<std::string> names, bool realtimeActive, bool jobOpen)
    : names_(std::move(names)), realtimeActive_(realtimeActive), jobOpen_(jobOpen) {}

bool WriterFiles::Open(const std::string& name) {
  if (names_.count(name) == 0 && !(realtimeActive_ && name == kRealtimeFile)) {
    return false;
  }
  openFile_ = name;
  return true;
}

void WriterFiles::Close() {
  openFile_.reset();
}

void WriterFiles::Restart() {
  openFile_.reset();
}

uint32_t WriterFiles::BusyBits() const {
  return (openFile_ || jobOpen_ ? kFileOpenBit : 0) | (realtimeActive_ ? kRealtimeBit : 0);
}

}  // namespace solvane
