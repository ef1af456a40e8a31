#include <gtest/gtest.h>

#include <vector>

#include "engine/engine_impl.h"
#include "engine/helpers/animation.h"

namespace {

// Frames shown after Play, the clock-starting update and then `steps` updates of one frame
// time each; -1 marks an update after which the animation no longer plays.
std::vector<int> Sequence(int frames, int mode, int steps) {
    Animation a(0, frames, 10, 0, 0, 16, 16);
    a.SetMode(mode);
    a.Play();
    std::vector<int> seen{a.GetFrame()};
    a.Update(0.1f);
    for (int i = 0; i < steps; i++) {
        a.Update(0.1f);
        seen.push_back(a.IsPlaying() ? a.GetFrame() : -1);
    }
    return seen;
}

float FrameX(const Animation& a) { return a.flipX ? a.quad.v[1].tx : a.quad.v[0].tx; }
float FrameY(const Animation& a) { return a.quad.v[0].ty; }

}  // namespace

TEST(Animation, Construction) {
    Engine* e = CreateEngine(ENGINE_VERSION);
    int base = nRef;
    {
        Animation a(0, 5, 20, 0, 0, 16, 16);
        EXPECT_EQ(nRef, base + 1);
        EXPECT_FALSE(a.IsPlaying());
        EXPECT_EQ(a.GetMode(), ANIM_LOOP);
        EXPECT_EQ(a.delta, 1);
        EXPECT_EQ(a.timer, -1.0f);
        EXPECT_FLOAT_EQ(a.speed, 0.05f);
        Animation b(a);
        EXPECT_EQ(nRef, base + 2);
        EXPECT_EQ(b.GetFrames(), 5);
    }
    EXPECT_EQ(nRef, base);
    e->System_Release();
}

TEST(Animation, FrameLayoutWrapsOntoRowsBelow) {
    Animation a(0, 12, 10, 0, 0, 16, 16);
    a.origTexWidth = 64;
    a.SetFrame(3);
    EXPECT_EQ(FrameX(a), 48.0f);
    EXPECT_EQ(FrameY(a), 0.0f);
    a.SetFrame(4);
    EXPECT_EQ(FrameX(a), 0.0f);
    EXPECT_EQ(FrameY(a), 16.0f);
    a.SetFrame(9);
    EXPECT_EQ(FrameX(a), 16.0f);
    EXPECT_EQ(FrameY(a), 32.0f);

    Animation b(0, 8, 10, 32, 0, 16, 16);
    b.origTexWidth = 64;
    b.SetFrame(1);
    EXPECT_EQ(FrameX(b), 48.0f);
    b.SetFrame(2);
    EXPECT_EQ(FrameX(b), 0.0f);
    EXPECT_EQ(FrameY(b), 16.0f);
    b.SetFrame(6);
    EXPECT_EQ(FrameX(b), 0.0f);
    EXPECT_EQ(FrameY(b), 32.0f);
}

TEST(Animation, FrameNumbersWrap) {
    Animation a(0, 5, 10, 0, 0, 8, 8);
    a.SetFrame(-1);
    EXPECT_EQ(a.GetFrame(), 4);
    a.SetFrame(7);
    EXPECT_EQ(a.GetFrame(), 2);
    a.SetFrame(-11);
    EXPECT_EQ(a.GetFrame(), 4);
    // Without an image width every frame stays on the first row.
    a.SetFrame(3);
    EXPECT_EQ(FrameX(a), 24.0f);
    EXPECT_EQ(FrameY(a), 0.0f);
}

TEST(Animation, FramesKeepTheMirror) {
    Animation a(0, 4, 10, 0, 0, 16, 16);
    a.SetFlip(true, false, false);
    a.SetFrame(2);
    EXPECT_EQ(a.quad.v[0].tx, 48.0f);
    EXPECT_EQ(a.quad.v[1].tx, 32.0f);
}

TEST(Animation, EveryPlayMode) {
    EXPECT_EQ(Sequence(3, 0, 4), (std::vector<int>{0, 1, 2, -1, -1}));
    EXPECT_EQ(Sequence(3, 1, 4), (std::vector<int>{2, 1, 0, -1, -1}));
    EXPECT_EQ(Sequence(3, 2, 5), (std::vector<int>{0, 1, 2, 1, 0, -1}));
    EXPECT_EQ(Sequence(3, 3, 5), (std::vector<int>{2, 1, 0, 1, 2, -1}));
    EXPECT_EQ(Sequence(3, 4, 6), (std::vector<int>{0, 1, 2, 0, 1, 2, 0}));
    EXPECT_EQ(Sequence(3, 5, 6), (std::vector<int>{2, 1, 0, 2, 1, 0, 2}));
    EXPECT_EQ(Sequence(3, 6, 8), (std::vector<int>{0, 1, 2, 1, 0, 1, 2, 1, 0}));
    EXPECT_EQ(Sequence(3, 7, 8), (std::vector<int>{2, 1, 0, 1, 2, 1, 0, 1, 2}));
    EXPECT_EQ(Sequence(3, 12, 4), (std::vector<int>{0, 1, 2, 0, 1}));  // other values wrap
    EXPECT_EQ(Sequence(1, 4, 2), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(Sequence(1, 0, 1), (std::vector<int>{0, -1}));
}

TEST(Animation, StoppedAnimationKeepsItsLastFrame) {
    Animation a(0, 3, 10, 0, 0, 16, 16);
    a.SetMode(0);
    a.Play();
    a.Update(0.1f);
    for (int i = 0; i < 5; i++) a.Update(0.1f);
    EXPECT_FALSE(a.IsPlaying());
    EXPECT_EQ(a.GetFrame(), 2);
}

TEST(Animation, LongUpdateAdvancesSeveralFrames) {
    Animation a(0, 3, 10, 0, 0, 16, 16);
    a.SetMode(ANIM_PINGPONG | ANIM_LOOP);
    a.Play();
    a.Update(0.5f);  // only starts the clock
    EXPECT_EQ(a.GetFrame(), 0);
    a.Update(0.35f);
    EXPECT_EQ(a.GetFrame(), 1);  // 0 -> 1 -> 2 -> 1
    EXPECT_EQ(a.delta, -1);
    EXPECT_NEAR(a.timer, 0.05f, 1e-5f);
}

TEST(Animation, SetModeRewindsButKeepsPlaying) {
    Animation a(0, 4, 10, 0, 0, 16, 16);
    a.Play();
    a.Update(0);
    a.Update(0.25f);
    EXPECT_EQ(a.GetFrame(), 2);
    float timer = a.timer;
    a.SetMode(ANIM_REVERSE | ANIM_LOOP);
    EXPECT_TRUE(a.IsPlaying());
    EXPECT_EQ(a.GetFrame(), 3);
    EXPECT_EQ(a.delta, -1);
    EXPECT_EQ(a.timer, timer);
}

TEST(Animation, NotPlayingOrBadRateNeverAdvances) {
    Animation a(0, 4, 10, 0, 0, 16, 16);
    a.Update(1.0f);
    EXPECT_EQ(a.GetFrame(), 0);

    Animation z(0, 4, 0, 0, 0, 16, 16);  // fps 0
    z.Play();
    z.Update(0);
    z.Update(100.0f);
    EXPECT_EQ(z.GetFrame(), 0);

    Animation n(0, 0, -5, 0, 0, 0, 16);  // no frames, negative fps, zero width
    n.Play();
    n.Update(0);
    n.Update(1.0f);
    n.SetFrame(5);
    EXPECT_EQ(n.GetFrame(), 0);
}
