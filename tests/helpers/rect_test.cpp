#include <gtest/gtest.h>

#include <cmath>

#include "engine/helpers/rect.h"

namespace {

Rect Make(float x1, float y1, float x2, float y2) {
    Rect r;
    r.AddPoint(x1, y1);
    r.AddPoint(x2, y2);
    return r;
}

}  // namespace

TEST(Rect, ContainsTakesLeftAndTopEdgesOnly) {
    Rect r = Make(0, 0, 10, 10);
    EXPECT_TRUE(r.Contains(0, 0));
    EXPECT_TRUE(r.Contains(9.999f, 9.999f));
    EXPECT_FALSE(r.Contains(10, 5));
    EXPECT_FALSE(r.Contains(5, 10));
    EXPECT_FALSE(r.Contains(-0.001f, 5));
}

TEST(Rect, OverlapsIsStrict) {
    Rect a = Make(0, 0, 10, 10);
    EXPECT_FALSE(a.Overlaps(Make(10, 0, 20, 10)));  // shared edge
    EXPECT_TRUE(a.Overlaps(Make(9, 9, 20, 20)));
    EXPECT_TRUE(a.Overlaps(a));
    Rect thin = Make(5, 0, 5, 10);
    EXPECT_FALSE(thin.Overlaps(thin));
    EXPECT_FALSE(a.Overlaps(Make(0, 10, 10, 20)));  // x overlaps, y only touches
    // Both tests must hold: an x test that cannot be decided is not an overlap.
    Rect odd = a;
    odd.x1 = std::nanf("");
    EXPECT_FALSE(odd.Overlaps(a));
    EXPECT_FALSE(a.Overlaps(odd));
}

TEST(Rect, AddPointAfterClearRestartsFromThePoint) {
    Rect r = Make(0, 0, 10, 10);
    r.Clear();
    EXPECT_TRUE(r.clean);
    EXPECT_EQ(r.x2, 10.0f);  // coordinates stay until the next point
    r.AddPoint(5, 5);
    EXPECT_FALSE(r.clean);
    EXPECT_EQ(r.x1, 5.0f);
    EXPECT_EQ(r.y1, 5.0f);
    EXPECT_EQ(r.x2, 5.0f);
    EXPECT_EQ(r.y2, 5.0f);
    r.AddPoint(3, 7);
    EXPECT_EQ(r.x1, 3.0f);
    EXPECT_EQ(r.y1, 5.0f);
    EXPECT_EQ(r.x2, 5.0f);
    EXPECT_EQ(r.y2, 7.0f);
}

TEST(Rect, DefaultIsEmptyAtZero) {
    Rect r;
    EXPECT_TRUE(r.clean);
    EXPECT_FALSE(r.Contains(0, 0));
    EXPECT_FALSE(r.Overlaps(r));
}
