#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/helpers/color.h"

TEST(Color, ToARGBTruncatesWithoutClamping) {
    EXPECT_EQ(Color().ToARGB(), 0u);
    EXPECT_EQ(Color(1, 1, 1, 1).ToARGB(), 0xFFFFFFFFu);
    EXPECT_EQ(Color(1, 0.5f, 0, 1).ToARGB(), 0xFFFF7F00u);
    EXPECT_EQ(Color(1, 1, 1, 0.5f).ToARGB(), 0x7FFFFFFFu);
    EXPECT_EQ(Color(2, 0, 0, 1).ToARGB(), 0x00FE0000u);
    // A negative channel borrows from its neighbours: -1 * 255 = -255.
    EXPECT_EQ(Color(0, 0, -1, 1).ToARGB(), 0xFF000000u - 255u);
}

TEST(Color, ToARGBOfNonFiniteChannelsIsDefined) {
    float inf = std::numeric_limits<float>::infinity();
    float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(Color(nan, 0, 0, 0).ToARGB(), 0u);
    (void)Color(inf, -inf, 1e30f, -1e30f).ToARGB();  // must not trap under the sanitizers
}

TEST(Color, Arithmetic) {
    Color c(0.1f, 0.2f, 0.3f, 0.4f);
    c += Color(0.1f, 0.1f, 0.1f, 0.1f);
    Color d = c * 2.0f;
    EXPECT_FLOAT_EQ(d.r, 0.4f);
    EXPECT_FLOAT_EQ(d.g, 0.6f);
    EXPECT_FLOAT_EQ(d.b, 0.8f);
    EXPECT_FLOAT_EQ(d.a, 1.0f);
}
