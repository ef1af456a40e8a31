// The physics callbacks: the first wheel's ground flag, grunts and bangs, the per-step cap.
#include <gtest/gtest.h>

#include "tests/support/game_fixture.h"

using gametest::GameFixture;

namespace {

class ContactsTest : public GameFixture {
protected:
    // A point between the floor and a shape, the shape approaching at `speed` along the normal.
    b2ContactPoint Point(b2Shape* shape, float speed, bool shapeFirst = false) {
        b2ContactPoint p;
        b2Shape* floor = game->ground->GetShapeList();
        while (floor->GetNext()->GetNext()) floor = floor->GetNext();  // the floor is next to last
        p.shape1 = shapeFirst ? shape : floor;
        p.shape2 = shapeFirst ? floor : shape;
        p.normal.Set(0.0f, shapeFirst ? 1.0f : -1.0f);
        p.velocity.Set(0.3f, speed);  // shape 2 relative to shape 1
        if (shapeFirst) p.velocity.Set(0.3f, -speed);
        p.position.Set(990.0f, 99.0f);
        return p;
    }
    int Grunts() const {
        int n = 0;
        for (const char* g : {"grunt1", "grunt2", "grunt3", "grunt4", "grunt5"}) n += CountEffect(g);
        return n;
    }
    int Hits() const {
        int n = 0;
        for (const char* h : {"hit1", "hit2", "hit3", "hit4"}) n += CountEffect(h);
        return n;
    }
};

TEST_F(ContactsTest, FirstWheelGruntsOnlyAboveTen) {
    game->contactCount = 0;
    const uint32_t seed = g_RandomSeed;
    b2ContactPoint exact = Point(game->wagon->firstWheel, 10.0f);
    game->Add(&exact);
    EXPECT_TRUE(game->wagon->onGround);
    EXPECT_EQ(Grunts(), 0);
    EXPECT_EQ(g_RandomSeed, seed);  // no draw below the threshold

    g_RandomSeed = 4321;
    const uint32_t k = RandomInt(5);
    g_RandomSeed = 4321;
    b2ContactPoint hard = Point(game->wagon->firstWheel, 10.01f, true);
    game->Add(&hard);
    ASSERT_EQ(Grunts(), 1);
    const auto& call = engine.effects.back();
    EXPECT_TRUE(call.plain);
    EXPECT_EQ(gametest::NameOfSound(call.effect), "grunt" + std::to_string(k + 1));
    EXPECT_EQ(game->contactCount, 2);
}

TEST_F(ContactsTest, SecondWheelBangsAboveEightAndNeverTouchesTheFlag) {
    game->contactCount = 0;
    game->wagon->onGround = false;
    b2ContactPoint exact = Point(game->wagon->secondWheel, 8.0f);
    game->Add(&exact);
    EXPECT_EQ(Hits(), 0);
    b2ContactPoint hard = Point(game->wagon->secondWheel, 8.5f);
    game->Add(&hard);
    ASSERT_EQ(Hits(), 1);
    const auto& call = engine.effects.back();
    EXPECT_FALSE(call.plain);
    EXPECT_EQ(call.volume, 15);
    EXPECT_EQ(call.pan, 0);
    EXPECT_FLOAT_EQ(call.pitch, 1.0f);
    game->Persist(&hard);
    EXPECT_FALSE(game->wagon->onGround);
    game->wagon->onGround = true;
    game->Remove(&hard);
    EXPECT_TRUE(game->wagon->onGround);
    EXPECT_EQ(Grunts(), 0);
}

TEST_F(ContactsTest, TheLatestReportAboutTheFirstWheelDecides) {
    game->contactCount = 0;
    b2ContactPoint p = Point(game->wagon->firstWheel, 1.0f);
    game->Persist(&p);
    EXPECT_TRUE(game->wagon->onGround);
    game->Remove(&p);
    EXPECT_FALSE(game->wagon->onGround);
    game->Persist(&p);
    EXPECT_TRUE(game->wagon->onGround);
}

TEST_F(ContactsTest, ReportsBeyond256InAStepAreIgnored) {
    game->contactCount = 0;
    b2ContactPoint other = Point(game->wagon->secondWheel, 1.0f);
    for (int i = 0; i < 255; ++i) game->Persist(&other);
    b2ContactPoint first = Point(game->wagon->firstWheel, 1.0f);
    game->wagon->onGround = false;
    game->Persist(&first);  // the 256th counts
    EXPECT_TRUE(game->wagon->onGround);
    EXPECT_EQ(game->contactCount, 256);
    game->Remove(&first);  // the 257th does not
    EXPECT_TRUE(game->wagon->onGround);
    b2ContactPoint hard = Point(game->wagon->firstWheel, 30.0f);
    game->Add(&hard);
    EXPECT_EQ(Grunts(), 0);
    EXPECT_EQ(game->contactCount, 256);
    // The next step starts counting again.
    game->Update();
    EXPECT_LT(game->contactCount, 256);
}

TEST_F(ContactsTest, LandingsSoundOnTheTitleScreen) {
    PlaceWagon(990.0f, 80.0f);
    game->wagon->body->WakeUp();
    Frames(300);
    EXPECT_EQ(game->state, GAMESTATE_TITLE);
    EXPECT_GE(Grunts(), 1);
    EXPECT_GE(Hits(), 1);
    EXPECT_TRUE(game->wagon->onGround);
}

TEST_F(ContactsTest, LiftingTheWagonClearsTheFlag) {
    Frames(10);
    ASSERT_TRUE(game->wagon->onGround);
    PlaceWagon(990.0f, 60.0f);
    Frames(1);
    EXPECT_FALSE(game->wagon->onGround);
}

TEST_F(ContactsTest, FirstWheelRollingOverACornerEndsThatStepOffTheGround) {
    // A ledge with its top at y 98 from x 983 to 987; the wagon rolls west off its west end.
    phys::b2PolygonDef ledge;
    ledge.SetAsBox(2.0f, 0.5f, b2Vec2(985.0f, 98.5f), 0.0f);
    game->ground->CreateShape(&ledge);
    PlaceWagon(984.2f, 98.0f - 0.875f + 0.005f);
    b2Body* body = game->wagon->body;
    body->SetLinearVelocity(b2Vec2(-1.5f, 0.0f));
    const b2Vec2 corner(983.0f, 98.0f);
    // Where the first wheel was when its flag first fell: the step starts from there.
    bool wasOnGround = false, fell = false, pastCorner = false, touching = false;
    for (int i = 0; i < 120 && !fell; ++i) {
        const b2Vec2 wheel = body->GetWorldPoint(b2Vec2(-0.875f, 0.0f));
        Frames(1);
        fell = wasOnGround && !game->wagon->onGround;
        wasOnGround = game->wagon->onGround;
        pastCorner = wheel.x < corner.x;
        touching = (wheel - corner).Length() < 0.875f;
    }
    ASSERT_TRUE(fell);
    EXPECT_TRUE(pastCorner);
    EXPECT_TRUE(touching);
    EXPECT_EQ(game->state, GAMESTATE_TITLE);
}

TEST_F(ContactsTest, ViolationDoesNothingAndMissingSoundsPlayNothing) {
    game->Violation(game->wagon->body);
    PlayEffect(0);
    PlayEffectAdjusted(0, 50, 0, 1.0f);
    PlayStream(0);
    EXPECT_TRUE(engine.effects.empty());
    EXPECT_TRUE(engine.streamPlays.empty());
}

}  // namespace
