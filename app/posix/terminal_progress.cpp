#include "app/posix/terminal_progress.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace solvane {

namespace {

constexpr int kBarWidth = 40;

// Fixed width, so that a redraw covers the whole of the previous one.
std::string RateText(uint64_t done, uint64_t elapsedMs) {
  char text[32];
  if (elapsedMs == 0) {
    std::snprintf(text, sizeof(text), "%12s", "");
    return text;
  }
  double perSecond = static_cast<double>(done) * 1000.0 / static_cast<double>(elapsedMs);
  if (perSecond < 1024.0) {
    std::snprintf(text, sizeof(text), "%6.0f B/s  ", perSecond);
  } else if (perSecond < 1024.0 * 1024.0) {
    std::snprintf(text, sizeof(text), "%6.1f KiB/s", perSecond / 1024.0);
  } else {
    std::snprintf(text, sizeof(text), "%6.2f MiB/s", perSecond / (1024.0 * 1024.0));
  }
  return text;
}

}  // namespace

TerminalProgress::TerminalProgress(TerminalScreen& screen,
                                   bool draw,
                                   std::function<uint64_t()> nowMs)
    : screen_(screen), draw_(draw), nowMs_(std::move(nowMs)) {}

void TerminalProgress::Start(uint64_t totalBytes) {
  if (!draw_) {
    return;
  }
  active_ = totalBytes > 0;
  total_ = totalBytes;
  done_ = 0;
  startMs_ = nowMs_();
  if (active_) {
    Draw();
  }
}

void TerminalProgress::Advance(uint64_t bytes) {
  if (!active_) {
    return;
  }
  done_ = std::min(total_, done_ + bytes);
  Draw();
}

void TerminalProgress::End() {
  // The bar stays as far as it got; what follows starts below it.
  if (active_) {
    screen_.EndBar();
    active_ = false;
  }
}

void TerminalProgress::Draw() {
  int filled = static_cast<int>(done_ * kBarWidth / total_);
  std::string line = "  [" + std::string(filled, '#') + std::string(kBarWidth - filled, '-') + "]";
  char percent[16];
  std::snprintf(percent, sizeof(percent), " %3d%%  ", static_cast<int>(done_ * 100 / total_));
  line += percent;
  line += RateText(done_, nowMs_() - startMs_);
  screen_.DrawBar(line);
}

}  // namespace solvane
