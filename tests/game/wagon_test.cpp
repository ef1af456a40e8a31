// The wagon: start position and mass, pushes and torques, wheel clicks, overturn recovery, curse.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/helpers/resource_manager.h"
#include "engine/helpers/sprite.h"
#include "tests/support/game_fixture.h"
#include "tests/support/helpers_golden.h"

using gametest::GameFixture;

namespace {

constexpr int KEY_LEFT = 37;
constexpr int KEY_RIGHT = 39;
constexpr float kDt = 1.0f / 60.0f;
constexpr float kMass = 4.81f;
constexpr float kInertia = 5.52f;

class WagonTest : public GameFixture {
protected:
    Wagon* W() { return game->wagon; }
    b2Body* Body() { return game->wagon->body; }
    // The wagon alone high in the air, at rest; gravity still pulls.
    void InTheAir() {
        PlaceWagon(500.0f, 50.0f);
        Body()->WakeUp();
    }
    void Step() { game->world->Step(kDt, 10, 10); }
    std::vector<GameFakeEngine::EffectCall> Clicks() const {
        std::vector<GameFakeEngine::EffectCall> out;
        for (const auto& e : engine.effects)
            if (gametest::NameOfSound(e.effect) == "click1") out.push_back(e);
        return out;
    }
};

TEST_F(WagonTest, StartsEastOfTheStartTownWithItsWheelsOnTheGround) {
    b2Vec2 p = Body()->GetPosition();
    EXPECT_EQ(p.x, 990.0f);
    EXPECT_EQ(p.y, 98.125f);
    EXPECT_EQ(Body()->GetAngle(), 0.0f);
    auto* first = static_cast<phys::b2CircleShape*>(W()->firstWheel);
    auto* second = static_cast<phys::b2CircleShape*>(W()->secondWheel);
    EXPECT_EQ(first->GetLocalPosition().x, -0.875f);
    EXPECT_EQ(second->GetLocalPosition().x, 0.875f);
    EXPECT_EQ(p.y + first->GetRadius(), 99.0f);
    EXPECT_FLOAT_EQ(first->GetFriction(), 0.1f);
    EXPECT_FLOAT_EQ(first->GetRestitution(), 0.2f);
    EXPECT_FLOAT_EQ(Body()->GetMass(), kMass);
    EXPECT_NEAR(Body()->GetInertia(), kInertia, 1e-4f);
    EXPECT_NEAR(Body()->GetWorldCenter().y, 98.235f, 1e-4f);
    // The shape list holds exactly the two wheels, the second one first.
    EXPECT_EQ(Body()->GetShapeList(), W()->secondWheel);
    EXPECT_EQ(W()->secondWheel->GetNext(), W()->firstWheel);
    EXPECT_EQ(W()->firstWheel->GetNext(), nullptr);
}

TEST_F(WagonTest, RestsOnTheGroundLine) {
    Frames(120);
    EXPECT_EQ(game->state, GAMESTATE_TITLE);
    EXPECT_NEAR(Body()->GetPosition().x, 990.0f, 1e-4f);
    EXPECT_NEAR(Body()->GetPosition().y, 98.125f, 1e-3f);
    EXPECT_NEAR(Body()->GetAngle(), 0.0f, 1e-4f);
    EXPECT_TRUE(W()->onGround);
}

TEST_F(WagonTest, LeftPushesWestAndSlightlyUpward) {
    InTheAir();
    W()->onGround = true;
    engine.keysHeld = {KEY_LEFT};
    W()->Update();
    Step();
    b2Vec2 v = Body()->GetLinearVelocity();
    EXPECT_NEAR(v.x, -80.0f / kMass * kDt, 1e-4f);
    EXPECT_NEAR(v.y, (9.9f - 8.0f / kMass) * kDt, 1e-4f);
    // Applied 2 units ahead of the centre of mass.
    EXPECT_NEAR(Body()->GetAngularVelocity(), 16.0f / kInertia * kDt, 1e-4f);
}

TEST_F(WagonTest, RightPushesEastAndSlightlyDownward) {
    InTheAir();
    W()->onGround = true;
    engine.keysHeld = {KEY_RIGHT};
    W()->Update();
    Step();
    b2Vec2 v = Body()->GetLinearVelocity();
    EXPECT_NEAR(v.x, 60.0f / kMass * kDt, 1e-4f);
    EXPECT_NEAR(v.y, (9.9f + 6.0f / kMass) * kDt, 1e-4f);
    EXPECT_NEAR(Body()->GetAngularVelocity(), -12.0f / kInertia * kDt, 1e-4f);
}

TEST_F(WagonTest, BothKeysOnTheGroundPushWest) {
    InTheAir();
    W()->onGround = true;
    engine.keysHeld = {KEY_LEFT, KEY_RIGHT};
    W()->Update();
    Step();
    EXPECT_LT(Body()->GetLinearVelocity().x, 0.0f);
}

TEST_F(WagonTest, InTheAirTheKeysTurnTheWagonAndRightWins) {
    InTheAir();
    W()->onGround = false;
    engine.keysHeld = {KEY_RIGHT};
    W()->Update();
    Step();
    EXPECT_NEAR(Body()->GetAngularVelocity(), 16.0f / kInertia * kDt, 1e-5f);
    EXPECT_NEAR(Body()->GetLinearVelocity().x, 0.0f, 1e-6f);

    InTheAir();
    engine.keysHeld = {KEY_LEFT};
    W()->Update();
    Step();
    EXPECT_NEAR(Body()->GetAngularVelocity(), -16.0f / kInertia * kDt, 1e-5f);

    InTheAir();
    engine.keysHeld = {KEY_LEFT, KEY_RIGHT};
    W()->Update();
    Step();
    EXPECT_NEAR(Body()->GetAngularVelocity(), 16.0f / kInertia * kDt, 1e-5f);
}

TEST_F(WagonTest, OnItsSideTheKeysTurnEvenOnTheGround) {
    InTheAir();
    Body()->SetXForm(Body()->GetPosition(), 3.1415927f / 2.0f);  // up = cos = 0
    W()->onGround = true;
    engine.keysHeld = {KEY_LEFT};
    W()->Update();
    Step();
    EXPECT_NEAR(Body()->GetAngularVelocity(), -16.0f / kInertia * kDt, 1e-5f);
}

TEST_F(WagonTest, DrivingOnFlatGroundMovesTheWagonWest) {
    Press(KEY_LEFT);
    engine.keysHeld = {KEY_LEFT};
    Frames(60);
    EXPECT_TRUE(W()->onGround);
    EXPECT_LT(Body()->GetPosition().x, 989.0f);
    EXPECT_NEAR(Body()->GetAngle(), 0.0f, 0.2f);
}

TEST_F(WagonTest, ClicksAtEveryTenthHeldStep) {
    engine.keysHeld = {KEY_RIGHT};
    for (int i = 0; i < 40; ++i) W()->Update();
    auto clicks = Clicks();
    ASSERT_EQ(clicks.size(), 4u);
    // Steps 10 and 30: right-panned at pitch 1.0; steps 20 and 40: left-panned at 0.8.
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(clicks[i].volume, 50);
        EXPECT_FALSE(clicks[i].loop);
        EXPECT_FALSE(clicks[i].plain);
        EXPECT_EQ(clicks[i].pan, i % 2 == 0 ? 30 : -30);
        EXPECT_FLOAT_EQ(clicks[i].pitch, i % 2 == 0 ? 1.0f : 0.8f);
    }
    EXPECT_EQ(W()->stepCounter, 40);
    engine.keysHeld.clear();
    for (int i = 0; i < 25; ++i) W()->Update();
    EXPECT_EQ(W()->stepCounter, 40);
    EXPECT_EQ(Clicks().size(), 4u);
}

TEST_F(WagonTest, OverturnedAtRestInjuresAtSixtyAndTurnsAtZero) {
    game->state = GAMESTATE_JOURNEY;
    PlaceWagon(990.0f, 98.125f);
    Body()->SetXForm(Body()->GetPosition(), 3.1415927f);
    game->Update();
    EXPECT_EQ(W()->flipTimer, 120);
    Frames(59);
    EXPECT_EQ(W()->flipTimer, 61);
    int health = 0;
    for (const PartyMember& m : game->party) health += m.health;
    EXPECT_EQ(health, 500);
    EXPECT_EQ(CountEffect("bad"), 0);

    game->Update();
    EXPECT_EQ(W()->flipTimer, 60);
    health = 0;
    int hurt = 0;
    for (const PartyMember& m : game->party) {
        health += m.health;
        hurt += m.health == 66;
    }
    EXPECT_EQ(health, 500 - 34);
    EXPECT_EQ(hurt, 1);
    EXPECT_EQ(CountEffect("bad"), 1);
    EXPECT_EQ(engine.effects.back().volume, 50);
    EXPECT_GT(game->messageTimer, 0);

    const b2Vec2 before = Body()->GetPosition();
    Frames(59);
    EXPECT_EQ(W()->flipTimer, 1);
    EXPECT_LT(Body()->GetXForm().R.col2.y, -0.9f);
    game->Update();
    EXPECT_EQ(W()->flipTimer, 0);
    EXPECT_GT(Body()->GetXForm().R.col2.y, 0.99f);
    EXPECT_NEAR(Body()->GetPosition().x, before.x, 0.05f);
    EXPECT_NEAR(Body()->GetAngle(), 2.0f * 3.1415927f, 0.05f);
}

TEST_F(WagonTest, MovingBeforeTheInjuryCallsTheRecoveryOff) {
    PlaceWagon(500.0f, 50.0f);
    Body()->SetXForm(Body()->GetPosition(), 3.1415927f);
    W()->Update();
    EXPECT_EQ(W()->flipTimer, 120);
    for (int i = 0; i < 10; ++i) W()->Update();
    EXPECT_EQ(W()->flipTimer, 110);
    Body()->SetLinearVelocity(b2Vec2(3.0f, 0.0f));
    W()->Update();
    EXPECT_EQ(W()->flipTimer, 0);
    Body()->SetLinearVelocity(b2Vec2(0.0f, 0.0f));
    W()->Update();
    EXPECT_EQ(W()->flipTimer, 120);
}

TEST_F(WagonTest, AfterTheInjuryMovingNoLongerStopsTheTurn) {
    PlaceWagon(500.0f, 50.0f);
    Body()->SetXForm(Body()->GetPosition(), 3.1415927f);
    W()->Update();
    for (int i = 0; i < 60; ++i) W()->Update();
    EXPECT_EQ(W()->flipTimer, 60);
    Body()->SetLinearVelocity(b2Vec2(3.0f, 0.0f));
    W()->Update();
    EXPECT_EQ(W()->flipTimer, 59);
}

TEST_F(WagonTest, CurseMakesTheWheelsBouncyFor2700Frames) {
    W()->Curse();
    EXPECT_EQ(W()->curseTimer, 2700);
    EXPECT_FLOAT_EQ(W()->firstWheel->GetRestitution(), 0.5f);
    EXPECT_FLOAT_EQ(W()->secondWheel->GetRestitution(), 0.5f);
    for (int i = 0; i < 1000; ++i) W()->Update();
    W()->Curse();  // restarts
    EXPECT_EQ(W()->curseTimer, 2700);
    for (int i = 0; i < 2699; ++i) W()->Update();
    EXPECT_EQ(W()->curseTimer, 1);
    EXPECT_FLOAT_EQ(W()->firstWheel->GetRestitution(), 0.5f);
    W()->Update();
    EXPECT_EQ(W()->curseTimer, 0);
    EXPECT_FLOAT_EQ(W()->firstWheel->GetRestitution(), 0.2f);
    EXPECT_FLOAT_EQ(W()->secondWheel->GetRestitution(), 0.2f);
}

TEST_F(WagonTest, TimersRunOnlyInTheJourney) {
    W()->Curse();
    PlaceWagon(990.0f, 98.125f);
    Body()->SetXForm(Body()->GetPosition(), 3.1415927f);
    Frames(200);  // title screen
    EXPECT_EQ(W()->curseTimer, 2700);
    EXPECT_EQ(W()->flipTimer, 0);
    EXPECT_EQ(game->party[0].health + game->party[1].health, 200);
}

// The drawn frame follows the held-key steps (6 a frame), and a cursed wagon takes the frame's
// tint on all four corners.
TEST_F(WagonTest, DrawPicksTheFrameByHeldStepsAndTintsItWhileCursed) {
    const char* script = "wagon_draw_test.res";
    helpers_test::WriteAppFile(script, "Sprite wagon1 { rect = 0, 0, 8, 8 }\nSprite wagon2 { rect = 0, 0, 8, 8 }\n");
    ResourceManager rm(script);
    Sprite* frame0 = rm.GetSprite("wagon1");
    Sprite* frame1 = rm.GetSprite("wagon2");
    helpers_test::RemoveAppFile(script);
    if (!frame0 || !frame1) FAIL() << "the resource layer cannot read the script";
    g_ResourceManager = &rm;
    Wagon::ForgetResources();
    const DWORD kUntouched = 0x12345678;
    auto Draw = [&](int steps) {
        frame0->SetColor(kUntouched);
        frame1->SetColor(kUntouched);
        W()->stepCounter = steps;
        W()->Draw();
    };
    auto AllCorners = [](Sprite* s, DWORD c) {
        for (int i = 0; i < 4; ++i)
            if (s->GetColor(i) != c) return false;
        return true;
    };

    Draw(5);
    EXPECT_TRUE(AllCorners(frame0, 0xFFFFFFFF));
    EXPECT_TRUE(AllCorners(frame1, kUntouched));
    Draw(6);
    EXPECT_TRUE(AllCorners(frame0, kUntouched));
    EXPECT_TRUE(AllCorners(frame1, 0xFFFFFFFF));

    W()->Curse();
    Draw(11);
    EXPECT_TRUE(AllCorners(frame1, 0xFFC828C8));
    EXPECT_TRUE(AllCorners(frame0, kUntouched));
    Draw(12);
    EXPECT_TRUE(AllCorners(frame0, 0xFFFF32FF));
    EXPECT_TRUE(AllCorners(frame1, kUntouched));

    g_ResourceManager = nullptr;
    Wagon::ForgetResources();
}

}  // namespace
