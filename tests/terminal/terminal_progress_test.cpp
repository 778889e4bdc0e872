#include "app/posix/terminal_progress.h"

#include <gtest/gtest.h>

#include <sstream>

namespace solvane {
namespace {

struct ProgressOnScreen {
  std::ostringstream out;
  TerminalScreen screen{out};
  uint64_t nowMs = 0;
  TerminalProgress progress{screen, true, [this] { return nowMs; }};
};

TEST(TerminalProgress, DrawsPercentAndRateInPlaceAndEndsTheLineAtTheEnd) {
  ProgressOnScreen s;
  s.nowMs = 5000;
  s.progress.Start(1000);
  s.nowMs = 5500;
  s.progress.Advance(250);
  s.nowMs = 6000;
  s.progress.Advance(750);
  EXPECT_EQ(s.out.str().back(), ' ');
  s.progress.End();
  s.progress.End();
  EXPECT_EQ(s.out.str(),
            "\r  [----------------------------------------]   0%              "
            "\r  [##########------------------------------]  25%     500 B/s  "
            "\r  [########################################] 100%    1000 B/s  \n");
}

TEST(TerminalProgress, ShowsKibibytesAndMebibytesPerSecond) {
  ProgressOnScreen s;
  s.progress.Start(4u << 20);
  s.nowMs = 1000;
  s.progress.Advance(3072);
  EXPECT_NE(s.out.str().find("     3.0 KiB/s"), std::string::npos) << s.out.str();
  s.nowMs = 2000;
  s.progress.Advance((3u << 20) - 3072);
  EXPECT_NE(s.out.str().find("  75%    1.50 MiB/s"), std::string::npos) << s.out.str();
}

TEST(TerminalProgress, TextAfterABrokenOffBarStartsOnANewLine) {
  ProgressOnScreen s;
  s.progress.Start(100);
  s.progress.Advance(50);
  s.screen.Print("Error\n");
  const std::string out = s.out.str();
  EXPECT_EQ(out.substr(out.size() - 7), "\nError\n");
  // Bytes beyond the total do not take the bar past 100%.
  s.progress.Start(10);
  s.progress.Advance(25);
  EXPECT_NE(s.out.str().find("] 100%"), std::string::npos);
  EXPECT_EQ(s.out.str().find("250%"), std::string::npos);
}

TEST(TerminalProgress, DrawsNothingWhenTheOutputIsNoTerminal) {
  std::ostringstream out;
  TerminalScreen screen(out);
  TerminalProgress progress(screen, false, [] { return uint64_t{0}; });
  progress.Start(100);
  progress.Advance(100);
  EXPECT_EQ(out.str(), "");
}

}  // namespace
}  // namespace solvane
