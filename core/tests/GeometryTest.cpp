#include "core/foundation/Geometry.h"

#include <gtest/gtest.h>

TEST(Rect, ContainsIncludesEdgesWithYUp) {
    zq::Rect r(0, 100, 200, 0);
    EXPECT_TRUE(r.Contains(zq::Point(0, 0)));
    EXPECT_TRUE(r.Contains(zq::Point(200, 100)));
    EXPECT_FALSE(r.Contains(zq::Point(201, 50)));
    EXPECT_FALSE(r.Contains(zq::Point(50, 101)));
}

TEST(Round, HalfUp) {
    EXPECT_EQ(zq::Round(-0.5), 0);
    EXPECT_EQ(zq::Round(-1.5), -1);
    EXPECT_EQ(zq::Round(2.5), 3);
}
