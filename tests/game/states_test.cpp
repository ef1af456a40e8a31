// The game object's state machine and the timing of its endings, frame by frame; the frame
// callback's mouse capture and Escape.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "game/app.h"
#include "tests/support/game_fixture.h"

using gametest::GameFixture;

namespace {

constexpr int KEY_LBUTTON = 1;
constexpr int KEY_ESCAPE = 27;
constexpr int KEY_SPACE = 32;
constexpr int KEY_LEFT = 37;
constexpr int KEY_R = 82;

class StatesTest : public GameFixture {
protected:
    // Ends the journey in this frame with "Everyone is dead.": the ending's first frame.
    void EndByDeath() {
        game->state = GAMESTATE_JOURNEY;
        for (PartyMember& m : game->party) m.health = 0;
        game->Update();
        ASSERT_EQ(game->state, GAMESTATE_ENDED);
    }
    int LossPlays() const { return engine.PlaysOf(Music("data\\tune5.ogg")); }
};

TEST_F(StatesTest, ConstructionLoadsTheMusicInOrderAndStartsOnTheTitle) {
    EXPECT_EQ(g_Game, game);
    EXPECT_EQ(g_FrameCounter, 0);
    EXPECT_EQ(game->state, GAMESTATE_TITLE);
    std::vector<std::string> expected = {"data\\tune1.ogg", "data\\tune5.ogg", "data\\tune3.ogg", "data\\tune4.ogg",
                                         "data\\tune2.ogg"};
    EXPECT_EQ(engine.streamFiles, expected);
    EXPECT_EQ(game->winMusic, Music("data\\tune1.ogg"));
    EXPECT_EQ(game->lossMusic, Music("data\\tune5.ogg"));
    EXPECT_EQ(game->spareMusic, Music("data\\tune2.ogg"));
    ASSERT_NE(game->wagon, nullptr);
    ASSERT_NE(game->ground, nullptr);
    EXPECT_FALSE(game->features.empty());
}

TEST_F(StatesTest, LeftStartsTheJourneyAndTheMessageTimerRunsInThatFrame) {
    Frames(30);
    EXPECT_EQ(game->state, GAMESTATE_TITLE);
    EXPECT_EQ(g_FrameCounter, 30);
    game->messageTimer = 5;
    Press(KEY_LEFT);
    EXPECT_EQ(game->state, GAMESTATE_JOURNEY);
    EXPECT_EQ(game->messageTimer, 4);
}

TEST_F(StatesTest, LeftAndRInOneFrameGoBackToTheTitleWithANewJourney) {
    game->food = 7;
    game->party[0].health = 3;
    engine.keysDown = {KEY_LEFT, KEY_R};
    game->Update();
    EXPECT_EQ(game->state, GAMESTATE_TITLE);
    EXPECT_EQ(game->food, 1000);
    EXPECT_EQ(game->party[0].health, 100);
}

TEST_F(StatesTest, ROnTheTitleDoesNothing) {
    game->food = 7;
    game->messageTimer = 3;
    Press(KEY_R);
    EXPECT_EQ(game->state, GAMESTATE_TITLE);
    EXPECT_EQ(game->food, 7);
    EXPECT_EQ(game->messageTimer, 3);
}

TEST_F(StatesTest, FoodIsEatenOnlyAfterTheStartTown) {
    Press(KEY_LEFT);
    Frames(200);
    EXPECT_EQ(game->food, 1000);
    game->started = true;
    const int before = g_FrameCounter;
    Frames(100);
    EXPECT_EQ(game->food, 1000 - ((before + 100) / 10 - before / 10));
}

TEST_F(StatesTest, StarvationEndsTheJourneyButTheFrameRunsOn) {
    Press(KEY_LEFT);
    while (g_FrameCounter % 10 != 9) game->Update();
    game->started = true;
    game->food = 1;
    game->party[1].disease = DISEASE_TYPHOID;
    game->Update();
    EXPECT_EQ(game->food, 0);
    EXPECT_EQ(game->state, GAMESTATE_ENDED);
    EXPECT_STREQ(game->message, "Everyone has starved to death.");
    EXPECT_EQ(game->messageTimer, 539);
    EXPECT_EQ(game->endCountdown, 599);
    for (const PartyMember& m : game->party) {
        EXPECT_EQ(m.health, 0);
        EXPECT_EQ(m.disease, DISEASE_NONE);
    }
}

TEST_F(StatesTest, EveryoneDeadWithFoodLeft) {
    EndByDeath();
    EXPECT_STREQ(game->message, "Everyone is dead.");
    EXPECT_EQ(game->endCountdown, 599);
}

TEST_F(StatesTest, LossMusicInTheSixtiethFrameOfAnEnding) {
    EndByDeath();  // frame 1
    Frames(58);    // frames 2..59
    EXPECT_EQ(LossPlays(), 0);
    game->Update();  // frame 60
    EXPECT_EQ(game->endCountdown, 540);
    EXPECT_EQ(LossPlays(), 1);
    const auto& call = engine.streamPlays.back();
    EXPECT_FALSE(call.loop);
    EXPECT_EQ(call.volume, 100);
    Frames(100);
    EXPECT_EQ(LossPlays(), 1);
}

TEST_F(StatesTest, SpaceIsTakenFromTheEndingsHundredTwentyFirstFrame) {
    EndByDeath();  // frame 1
    for (int frame = 2; frame <= 120; ++frame) {
        Press(KEY_SPACE);
        ASSERT_EQ(game->state, GAMESTATE_ENDED) << frame;
    }
    Press(KEY_SPACE);  // frame 121
    EXPECT_EQ(game->state, GAMESTATE_TITLE);
    EXPECT_EQ(game->food, 1000);
    EXPECT_EQ(game->endCountdown, 0);
}

TEST_F(StatesTest, EndingReturnsToTheTitleInItsSixHundredthFrame) {
    EndByDeath();
    Frames(598);  // frames 2..599
    EXPECT_EQ(game->state, GAMESTATE_ENDED);
    EXPECT_EQ(game->endCountdown, 1);
    game->Update();
    EXPECT_EQ(game->state, GAMESTATE_TITLE);
    EXPECT_EQ(game->party[0].health, 100);
}

TEST_F(StatesTest, RAbandonsAnEnding) {
    EndByDeath();
    Frames(10);
    Press(KEY_R);
    EXPECT_EQ(game->state, GAMESTATE_TITLE);
    EXPECT_EQ(game->party[0].health, 100);
}

TEST_F(StatesTest, WinningPlaysTheWinMusicAndNoLossMusic) {
    Press(KEY_LEFT);
    PlaceWagon(18.5f, 98.125f);
    game->Update();
    EXPECT_EQ(game->state, GAMESTATE_ENDED);
    EXPECT_TRUE(game->won);
    EXPECT_EQ(game->endCountdown, 599);
    EXPECT_EQ(engine.PlaysOf(Music("data\\tune1.ogg")), 1);
    EXPECT_EQ(std::string(game->message),
              "You find the legendary\nlost city of EL MORVANE.\nCongratulations, you\nare fantastically rich.");
    EXPECT_EQ(game->messageTimer, 539);
    Frames(598);
    EXPECT_EQ(game->state, GAMESTATE_ENDED);
    EXPECT_EQ(LossPlays(), 0);
    game->Update();
    EXPECT_EQ(game->state, GAMESTATE_TITLE);
}

TEST_F(StatesTest, FallingOffTheEastEndEndsWithoutAMessage) {
    Press(KEY_LEFT);
    PlaceWagon(1005.0f, 98.0f);
    int frames = 0;
    while (game->state == GAMESTATE_JOURNEY && frames < 300) {
        game->Update();
        ++frames;
    }
    ASSERT_EQ(game->state, GAMESTATE_ENDED);
    EXPECT_GT(game->wagon->body->GetPosition().y, 100.0f);
    EXPECT_STREQ(game->message, "");
    EXPECT_EQ(game->messageTimer, 0);
    Frames(59);
    EXPECT_EQ(LossPlays(), 1);
}

// Thrown at speed past either end above the floor, or up past the west end's open top, the
// wagon leaves the world box and is frozen there above the line: the journey ends as by a fall.
TEST_F(StatesTest, LeavingTheWorldBoxAboveTheLineEndsLikeAFall) {
    struct Throw {
        const char* where;
        float x, y, vx, vy;
    };
    const Throw throws[] = {{"west", -5.0f, 90.0f, -60.0f, 0.0f},
                            {"east", 1005.0f, 90.0f, 60.0f, 0.0f},
                            {"top", -5.0f, 5.0f, 0.0f, -60.0f}};
    for (const Throw& t : throws) {
        SCOPED_TRACE(t.where);
        Press(KEY_R);
        Press(KEY_LEFT);
        ASSERT_EQ(game->state, GAMESTATE_JOURNEY);
        PlaceWagon(t.x, t.y);
        game->wagon->body->SetLinearVelocity(b2Vec2(t.vx, t.vy));
        int frames = 0;
        while (game->state == GAMESTATE_JOURNEY && frames < 30) {
            game->Update();
            ++frames;
        }
        EXPECT_TRUE(game->wagon->body->IsFrozen());
        EXPECT_LE(game->wagon->body->GetPosition().y, 100.0f);
        if (game->state != GAMESTATE_ENDED) {
            ADD_FAILURE() << "still travelling after " << frames << " frames";
            continue;
        }
        EXPECT_LE(frames, 10);
        EXPECT_EQ(game->endCountdown, 599);
        EXPECT_STREQ(game->message, "");
        EXPECT_EQ(game->messageTimer, 0);
        const int losses = LossPlays();
        Frames(59);
        EXPECT_EQ(LossPlays(), losses + 1);
        EXPECT_EQ(game->state, GAMESTATE_ENDED);
    }
}

TEST_F(StatesTest, SeveralEndingsInOneFrameKeepTheLastMessage) {
    Press(KEY_LEFT);
    while (g_FrameCounter % 10 != 9) game->Update();
    game->started = true;
    game->food = 1;
    PlaceWagon(18.5f, 98.125f);  // also inside the city
    game->Update();
    EXPECT_EQ(game->state, GAMESTATE_ENDED);
    EXPECT_TRUE(game->won);
    EXPECT_EQ(game->endCountdown, 599);
    // Starvation first, then the city: the city's message stands; nobody is dead of it.
    EXPECT_EQ(std::strncmp(game->message, "You find the legendary", 22), 0);
}

TEST_F(StatesTest, LongMessagesAreCutAfter255Characters) {
    std::string longText(300, 'x');
    game->ShowMessage(42, "%s!", longText.c_str());
    EXPECT_EQ(std::strlen(game->message), 255u);
    EXPECT_EQ(game->messageTimer, 42);
    game->ShowMessage(10, "%s has a broken %s.", "Pa", "arm");
    EXPECT_STREQ(game->message, "Pa has a broken arm.");
}

TEST_F(StatesTest, PhysicsRunsOnTheTitleScreen) {
    PlaceWagon(500.0f, 60.0f);
    Frames(120);
    EXPECT_EQ(game->state, GAMESTATE_TITLE);
    EXPECT_GT(game->wagon->body->GetPosition().y, 60.0f);
}

// ---- The frame callback

TEST_F(StatesTest, EscapeInTheFirstFrameQuitsWithoutAnUpdate) {
    engine.keysDown = {KEY_ESCAPE};
    EXPECT_TRUE(GameFrame());
    EXPECT_EQ(g_FrameCounter, 0);
}

TEST_F(StatesTest, ClickCapturesTheMouseAndCentresItEveryFrame) {
    engine.keysDown = {KEY_LBUTTON};
    EXPECT_FALSE(GameFrame());
    EXPECT_TRUE(g_MouseCaptured);
    EXPECT_TRUE(engine.boolStates[STATE_HIDE_MOUSE]);
    ASSERT_EQ(engine.mouseSets.size(), 2u);  // on capture, and the frame's centring
    EXPECT_EQ(engine.mouseSets[0].x, 320.0f);
    EXPECT_EQ(engine.mouseSets[0].y, 240.0f);
    engine.keysDown.clear();
    EXPECT_FALSE(GameFrame());
    EXPECT_EQ(engine.mouseSets.size(), 3u);
    EXPECT_EQ(g_FrameCounter, 2);
}

TEST_F(StatesTest, EscapeWhileCapturedInAWindowOnlyFreesTheMouse) {
    g_MouseCaptured = true;
    engine.boolStates[STATE_WINDOWED] = true;
    engine.keysDown = {KEY_ESCAPE};
    EXPECT_FALSE(GameFrame());
    EXPECT_FALSE(g_MouseCaptured);
    EXPECT_FALSE(engine.boolStates[STATE_HIDE_MOUSE]);
    EXPECT_TRUE(engine.mouseSets.empty());
    EXPECT_EQ(g_FrameCounter, 1);
}

TEST_F(StatesTest, EscapeWhileCapturedInFullScreenQuits) {
    g_MouseCaptured = true;
    engine.boolStates[STATE_WINDOWED] = false;
    engine.keysDown = {KEY_ESCAPE};
    EXPECT_TRUE(GameFrame());
    EXPECT_EQ(g_FrameCounter, 0);
}

TEST_F(StatesTest, ClickAndEscapeTogetherInAWindowCaptureAndRelease) {
    engine.boolStates[STATE_WINDOWED] = true;
    engine.keysDown = {KEY_LBUTTON, KEY_ESCAPE};
    EXPECT_FALSE(GameFrame());
    EXPECT_FALSE(g_MouseCaptured);
    EXPECT_EQ(engine.mouseSets.size(), 1u);
    EXPECT_EQ(g_FrameCounter, 1);
}

TEST_F(StatesTest, RenderAndRestoreCallbacksResults) {
    EXPECT_FALSE(GameRender());
    EXPECT_TRUE(GameRestoreGfx());
}

}  // namespace
