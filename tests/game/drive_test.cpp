// Whole journeys on the scripted engine: Left held from the title until the journey ends.
#include <gtest/gtest.h>

#include "tests/support/game_fixture.h"

using gametest::GameFixture;

namespace {

class DriveTest : public GameFixture {};

TEST_F(DriveTest, HoldingLeftTravelsWestAndEveryJourneyEnds) {
    int wins = 0;
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        SeedRandom(seed);
        game->NewJourney();
        ASSERT_EQ(game->state, GAMESTATE_TITLE);
        engine.effects.clear();
        engine.streamPlays.clear();
        engine.keysDown = {37};
        engine.keysHeld = {37};
        bool started = false, ate = false;
        int frames = 0;
        while (game->state != GAMESTATE_ENDED && frames < 40000) {
            game->Update();
            engine.keysDown.clear();
            started = started || game->started;
            ate = ate || game->food < 1000;
            ++frames;
        }
        ASSERT_EQ(game->state, GAMESTATE_ENDED);
        EXPECT_TRUE(started);
        EXPECT_TRUE(ate);
        int visited = 0;
        for (const Feature& f : game->features) visited += f.visited;
        EXPECT_GE(visited, 1);
        EXPECT_TRUE(game->features.back().visited);  // the start town
        EXPECT_LT(game->wagon->body->GetPosition().x, 978.0f);
        EXPECT_GT(CountEffect("click1"), 100);
        const bool won = game->won;
        wins += won;
        if (won) {
            EXPECT_EQ(engine.PlaysOf(Music("data\\tune1.ogg")), 1);
        }

        engine.keysHeld.clear();
        for (int i = 0; i < 599; ++i) game->Update();
        EXPECT_EQ(game->state, GAMESTATE_TITLE);
        EXPECT_EQ(engine.PlaysOf(Music("data\\tune5.ogg")), won ? 0 : 1);
    }
    EXPECT_GT(wins, 0);
}

}  // namespace
