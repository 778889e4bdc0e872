#include "tools/image_tool/decoded_length_limit.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace solvane {
namespace {

TEST(DecodedLengthLimit, TakesUpTo64MiBUnlessToldToTakeAnyLength) {
  EXPECT_NO_THROW(CheckDecodedLength(67108864, false));
  EXPECT_THROW(CheckDecodedLength(67108865, false), std::runtime_error);
  EXPECT_THROW(CheckDecodedLength(0xFFFFFFFF, false), std::runtime_error);
  EXPECT_NO_THROW(CheckDecodedLength(67108865, true));
  EXPECT_NO_THROW(CheckDecodedLength(0xFFFFFFFF, true));
}

}  // namespace
}  // namespace solvane
