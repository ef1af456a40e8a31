// The party's events with the try rule, the disease tick and injuries, on a seeded generator.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/game_fixture.h"

using gametest::GameFixture;
using gametest::kAny;
using gametest::SeedFor;

namespace {

class PartyTest : public GameFixture {
protected:
    void SetUp() override {
        GameFixture::SetUp();
        game->Update();  // the first update fetches the cues
        game->state = GAMESTATE_JOURNEY;
        game->message[0] = 0;
        game->messageTimer = 0;
    }
    Feature Make(FeatureType type, const char* name = nullptr) {
        Feature f;
        f.position.Set(500.0f, 94.0f);
        f.size.Set(7.0f, 5.0f);
        f.type = type;
        f.visited = false;
        f.name = name;
        return f;
    }
    // Seeds the generator so that its next draws are these.
    void Draws(std::initializer_list<std::pair<uint32_t, uint32_t>> draws) { g_RandomSeed = SeedFor(draws); }
    std::string Message() const { return game->message; }
    int TotalHealth() const {
        int h = 0;
        for (const PartyMember& m : game->party) h += m.health;
        return h;
    }
    PartyMember* P() { return game->party; }
};

TEST_F(PartyTest, StartTownWishesGoodLuckOnce) {
    Feature f = Make(FEATURE_START_TOWN);
    game->Visit(f);
    EXPECT_TRUE(f.visited);
    EXPECT_TRUE(game->started);
    EXPECT_EQ(Message(), "Good luck.\nYou have a long and difficult\njourney ahead of you.");
    EXPECT_EQ(game->messageTimer, 180);
    EXPECT_EQ(engine.PlaysOf(Music("data\\tune4.ogg")), 1);
    game->messageTimer = 0;
    game->Visit(f);
    EXPECT_EQ(game->messageTimer, 0);
    EXPECT_EQ(engine.PlaysOf(Music("data\\tune4.ogg")), 1);
}

TEST_F(PartyTest, TownQuarantine) {
    Feature f = Make(FEATURE_TOWN, "Casper");
    Draws({{4, 0}, {5, 2}});
    game->Visit(f);
    EXPECT_EQ(P()[2].disease, DISEASE_CHOLERA);
    EXPECT_EQ(P()[2].diseaseTimer, 150);
    EXPECT_EQ(Message(), "Casper is under quarantine.\nBoobell has cholera.");
    EXPECT_EQ(CountEffect("bad"), 1);
    EXPECT_EQ(CountEffect("good"), 0);
}

TEST_F(PartyTest, QuarantineFindingOnlyTheDeadAndTheCholericDoesNothing) {
    for (PartyMember& m : game->party) m.health = 0;
    P()[1].health = 40;
    P()[1].disease = DISEASE_CHOLERA;
    P()[1].diseaseTimer = 7;
    Feature f = Make(FEATURE_TOWN, "Laredo");
    Draws({{4, 0}, {5, kAny}, {5, kAny}, {5, kAny}, {5, kAny}, {5, kAny}});
    game->Visit(f);
    EXPECT_EQ(Message(), "");
    EXPECT_EQ(game->messageTimer, 0);
    EXPECT_TRUE(engine.effects.empty());
    EXPECT_EQ(P()[1].diseaseTimer, 7);
}

TEST_F(PartyTest, RestHealsTheLivingAndPlaysGoodCuredOrNot) {
    P()[0].health = 90;
    P()[1].health = 50;
    P()[2].health = 0;
    Feature f = Make(FEATURE_TOWN, "El Paso");
    Draws({{4, 1}, {5, kAny}, {5, kAny}, {5, kAny}, {5, kAny}, {5, kAny}});
    game->Visit(f);
    EXPECT_EQ(P()[0].health, 100);
    EXPECT_EQ(P()[1].health, 75);
    EXPECT_EQ(P()[2].health, 0);
    EXPECT_EQ(P()[3].health, 100);
    EXPECT_EQ(Message(), "You rest for 3 days\nin El Paso.");
    EXPECT_EQ(game->messageTimer, 180);
    EXPECT_EQ(CountEffect("good"), 1);
}

TEST_F(PartyTest, TheDoctorCuresOneSickMember) {
    P()[3].disease = DISEASE_DYSENTERY;
    P()[4].disease = DISEASE_TYPHOID;
    Feature f = Make(FEATURE_TOWN, "Oaxaca");
    Draws({{4, 2}, {5, 0}, {5, 3}});
    game->Visit(f);
    EXPECT_EQ(P()[3].disease, DISEASE_NONE);
    EXPECT_EQ(P()[4].disease, DISEASE_TYPHOID);
    EXPECT_EQ(Message(), "The local doctor manages\nto cure John-Boy's ailment.");
    EXPECT_EQ(CountEffect("good"), 1);
}

TEST_F(PartyTest, TheDoctorMissesAfterFiveDraws) {
    P()[3].disease = DISEASE_DYSENTERY;
    Feature f = Make(FEATURE_TOWN, "Panama");
    Draws({{4, 3}, {5, 0}, {5, 1}, {5, 2}, {5, 4}, {5, 0}});
    game->Visit(f);
    EXPECT_EQ(P()[3].disease, DISEASE_DYSENTERY);
    EXPECT_EQ(Message(), "You rest for 3 days\nin Panama.");
    EXPECT_EQ(CountEffect("good"), 1);
}

TEST_F(PartyTest, WiseTribeGuideTakesADeadMembersSlot) {
    P()[4].health = 0;
    P()[4].disease = DISEASE_CHOLERA;
    Feature f = Make(FEATURE_TRIBE);
    Draws({{5, 0}, {5, 4}});
    game->Visit(f);
    EXPECT_EQ(engine.PlaysOf(Music("data\\tune3.ogg")), 1);
    EXPECT_STREQ(P()[4].name, "Twofeathers");
    EXPECT_EQ(P()[4].portrait, 5);
    EXPECT_EQ(P()[4].health, 100);
    EXPECT_EQ(P()[4].disease, DISEASE_NONE);
    EXPECT_EQ(Message(), "You discover a wise indian tribe.\nOne of them joins you as a guide.");
    EXPECT_TRUE(engine.effects.empty());
}

TEST_F(PartyTest, WiseTribeWithNobodyDeadBecomesAnotherTribe) {
    Feature f = Make(FEATURE_TRIBE);
    Draws({{5, 0}, {5, kAny}, {5, kAny}, {5, kAny}, {5, kAny}, {5, kAny}, {4, 2}, {4, 1}});
    game->Visit(f);
    EXPECT_EQ(engine.PlaysOf(Music("data\\tune3.ogg")), 1);
    EXPECT_EQ(game->food, 1250);
    EXPECT_EQ(Message(), "You discover a friendly indian tribe.\nThey give you a gift of\n250 pounds of food.");
}

TEST_F(PartyTest, SickTribe) {
    Feature f = Make(FEATURE_TRIBE);
    Draws({{5, 2}, {5, 0}});
    game->Visit(f);
    EXPECT_EQ(P()[0].disease, DISEASE_TYPHOID);
    EXPECT_EQ(P()[0].diseaseTimer, 50);
    EXPECT_EQ(Message(), "You discover a sick indian tribe.\nPa has typhoid.");
    EXPECT_TRUE(engine.effects.empty());
}

TEST_F(PartyTest, HungryPartiesMeetFriendlyTribes) {
    game->food = 150;
    Feature f = Make(FEATURE_TRIBE);
    Draws({{5, 4}, {2, 0}, {4, 3}});
    game->Visit(f);
    EXPECT_EQ(game->food, 600);
    EXPECT_EQ(Message(), "You discover a friendly indian tribe.\nThey give you a gift of\n450 pounds of food.");

    // The extra draw is taken only below 200 pounds, and can leave the tribe as it was.
    game->food = 199;
    Feature g = Make(FEATURE_TRIBE);
    Draws({{5, 4}, {2, 1}});
    game->Visit(g);
    EXPECT_EQ(game->wagon->curseTimer, 2700);
}

TEST_F(PartyTest, SuspiciousTribeCursesTheWagon) {
    Feature f = Make(FEATURE_TRIBE);
    Draws({{5, 4}});
    game->Visit(f);
    EXPECT_EQ(game->wagon->curseTimer, 2700);
    EXPECT_FLOAT_EQ(game->wagon->firstWheel->GetRestitution(), 0.5f);
    EXPECT_EQ(Message(), "You discover a suspicious indian tribe.\nYour wagon is cursed.");
}

TEST_F(PartyTest, StoreTradesForFood) {
    Feature f = Make(FEATURE_STORE);
    Draws({{4, 2}});
    game->Visit(f);
    EXPECT_EQ(game->food, 1400);
    EXPECT_EQ(Message(), "You trade with the store\nfor 400 pounds of food.");
    EXPECT_EQ(CountEffect("good"), 1);
}

TEST_F(PartyTest, TheCityWinsAndStopsTheWagon) {
    Feature f = Make(FEATURE_EL_MORVANE);
    game->Visit(f);
    EXPECT_EQ(game->state, GAMESTATE_ENDED);
    EXPECT_TRUE(game->won);
    EXPECT_EQ(game->endCountdown, 600);
    EXPECT_EQ(game->messageTimer, 540);
    EXPECT_TRUE(game->wagon->body->IsSleeping());
    EXPECT_EQ(engine.PlaysOf(Music("data\\tune1.ogg")), 1);
}

TEST_F(PartyTest, RiverDysenteryOnEveryFifthFrameInside) {
    Feature f = Make(FEATURE_RIVER, "Rio Grande");
    g_FrameCounter = 11;
    const uint32_t seed = g_RandomSeed;
    game->Visit(f);
    EXPECT_TRUE(f.visited);
    EXPECT_EQ(g_RandomSeed, seed);  // no draw off the fifth frames

    g_FrameCounter = 15;
    Draws({{10, 0}, {5, 1}});
    game->Visit(f);
    EXPECT_EQ(P()[1].disease, DISEASE_DYSENTERY);
    EXPECT_EQ(P()[1].diseaseTimer, 20);
    EXPECT_EQ(Message(), "Ma has dysentery.");
    EXPECT_EQ(CountEffect("bad"), 1);

    // Already sick members are passed over; a miss of the chance leaves everyone alone.
    g_FrameCounter = 20;
    Draws({{10, 3}});
    game->Visit(f);
    EXPECT_EQ(CountEffect("bad"), 1);
}

TEST_F(PartyTest, DiseaseTickOnMultiplesOfSixty) {
    P()[0].disease = DISEASE_DYSENTERY;
    P()[0].diseaseTimer = 5;
    P()[1].disease = DISEASE_TYPHOID;
    P()[1].diseaseTimer = 1;
    P()[2].disease = DISEASE_CHOLERA;
    P()[2].diseaseTimer = 9;
    g_FrameCounter = 61;
    EXPECT_EQ(game->DiseaseTick(), 500);
    g_FrameCounter = 120;
    Draws({{3, 0}});
    EXPECT_EQ(game->DiseaseTick(), 500 - 2 - 1 - 1);
    EXPECT_EQ(P()[0].diseaseTimer, 4);
    EXPECT_EQ(P()[1].disease, DISEASE_NONE);  // ran out: recovered
    EXPECT_EQ(P()[2].diseaseTimer, 8);
    Draws({{3, 1}});
    game->DiseaseTick();
    EXPECT_EQ(P()[2].health, 99);  // cholera spared this tick
}

TEST_F(PartyTest, DysenteryAtTwoHealthKills) {
    P()[3].health = 2;
    P()[3].disease = DISEASE_DYSENTERY;
    P()[3].diseaseTimer = 10;
    g_FrameCounter = 180;
    game->ShowMessage(180, "something else");
    EXPECT_EQ(game->DiseaseTick(), 400);
    EXPECT_EQ(P()[3].health, 0);
    EXPECT_EQ(Message(), "John-Boy is dead.");
    EXPECT_EQ(CountEffect("bad"), 1);
    // The dead are not ticked again.
    g_FrameCounter = 240;
    game->DiseaseTick();
    EXPECT_EQ(CountEffect("bad"), 1);
}

TEST_F(PartyTest, InjuriesSkipTheDeadAndTheThirdKills) {
    P()[0].health = 0;
    Draws({{5, 0}, {5, 3}, {3, 1}});
    game->InjureRandomMember();
    EXPECT_EQ(P()[3].health, 66);
    EXPECT_EQ(Message(), "John-Boy has a broken leg.");
    EXPECT_TRUE(engine.effects.empty());
    Draws({{5, 3}, {3, 2}});
    game->InjureRandomMember();
    EXPECT_EQ(P()[3].health, 32);
    EXPECT_EQ(Message(), "John-Boy fainted.");
    Draws({{5, 3}});
    game->InjureRandomMember();
    EXPECT_EQ(P()[3].health, 0);
    EXPECT_EQ(Message(), "John-Boy is dead.");
}

TEST_F(PartyTest, InjuryWithNobodyAliveReturns) {
    for (PartyMember& m : game->party) m.health = 0;
    const uint32_t seed = g_RandomSeed;
    game->InjureRandomMember();
    EXPECT_EQ(g_RandomSeed, seed);
    EXPECT_EQ(game->messageTimer, 0);
}

TEST_F(PartyTest, PickLivingMember) {
    for (PartyMember& m : game->party) m.health = 0;
    EXPECT_EQ(game->PickLivingMember(), 0);
    P()[1].health = 5;
    P()[3].health = 5;
    Draws({{2, 1}});
    EXPECT_EQ(game->PickLivingMember(), 3);
    Draws({{2, 0}});
    EXPECT_EQ(game->PickLivingMember(), 1);
}

TEST_F(PartyTest, CuredMembersCanCatchTheDiseaseAgain) {
    Feature f = Make(FEATURE_RIVER, "Snake River");
    f.visited = true;
    g_FrameCounter = 5;
    Draws({{10, 0}, {5, 2}});
    game->Visit(f);
    ASSERT_EQ(P()[2].disease, DISEASE_DYSENTERY);
    P()[2].disease = DISEASE_NONE;
    g_FrameCounter = 10;
    Draws({{10, 0}, {5, 2}});
    game->Visit(f);
    EXPECT_EQ(P()[2].disease, DISEASE_DYSENTERY);
    EXPECT_EQ(P()[2].diseaseTimer, 20);
}

}  // namespace
