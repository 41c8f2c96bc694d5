#include "ui/placement.h"

#include <gtest/gtest.h>

namespace tessary::tests {
namespace {

TEST(CenteredPosition, CentresOnTheWorkAreaWhereverItStarts) {
    const ScreenRect window{0, 0, 900, 700};
    EXPECT_EQ(CenteredPosition({0, 0, 1920, 1040}, window), (ScreenPoint{510, 170}));
    EXPECT_EQ(CenteredPosition({100, 0, 1920, 1040}, window), (ScreenPoint{560, 170}));
    EXPECT_EQ(CenteredPosition({0, 40, 1920, 1080}, {300, 300, 1200, 1000}), (ScreenPoint{510, 210}));
    // Wider than the work area by 3: half of -3 truncates to -1.
    EXPECT_EQ(CenteredPosition({0, 0, 800, 600}, {0, 0, 803, 600}), (ScreenPoint{-1, 0}));
    EXPECT_EQ(CenteredPosition({50, 0, 850, 600}, {0, 0, 803, 600}), (ScreenPoint{49, 0}));
}

}  // namespace
}  // namespace tessary::tests
