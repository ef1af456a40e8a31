// Journey generation: the invariants of the trail for a range of fixed seeds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tests/support/game_fixture.h"

using gametest::GameFixture;

namespace {

intptr_t TagOf(const b2Shape* s) { return reinterpret_cast<intptr_t>(s->GetUserData()); }

bool Named(const char* name, const char* const* table, int n) {
    for (int i = 0; i < n; ++i)
        if (table[i] == name) return true;
    return false;
}

class JourneyTest : public GameFixture {};

TEST_F(JourneyTest, TrailInvariantsForManySeeds) {
    int withSlippery = 0;
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        SeedRandom(seed);
        game->NewJourney();
        const auto& fs = game->features;
        ASSERT_GE(fs.size(), 2u);

        const Feature& city = fs.front();
        EXPECT_EQ(city.type, FEATURE_EL_MORVANE);
        EXPECT_EQ(city.position.x, 15.0f);
        EXPECT_EQ(city.size.x, 7.0f);
        EXPECT_EQ(city.position.y, 94.0f);
        EXPECT_EQ(city.name, nullptr);
        const Feature& start = fs.back();
        EXPECT_EQ(start.type, FEATURE_START_TOWN);
        EXPECT_EQ(start.position.x, 978.0f);
        EXPECT_EQ(start.size.x, 7.0f);

        const size_t scheduled = fs.size() - 2;
        EXPECT_LE(scheduled, 10u);
        for (size_t i = 1; i + 1 < fs.size(); ++i) {
            const Feature& f = fs[i];
            EXPECT_GT(f.position.x, fs[i - 1].position.x);
            EXPECT_FALSE(f.visited);
            // A feature is due only once the hill before it reaches past its threshold.
            EXPECT_GT(f.position.x, RemapClamped(float(i - 1), 0.0f, 9.0f, 150.0f, 850.0f));
            switch (f.type) {
            case FEATURE_RIVER:
                EXPECT_EQ(f.size.y, 2.0f);
                EXPECT_EQ(f.position.y, 97.0f);
                EXPECT_NEAR(f.size.x, 8.0f - 6.0f * f.position.x / 1000.0f, 1e-4f);
                EXPECT_TRUE(Named(f.name, RiverNames, 15));
                break;
            case FEATURE_TOWN:
                EXPECT_EQ(f.size.x, 7.0f);
                EXPECT_EQ(f.size.y, 5.0f);
                EXPECT_TRUE(Named(f.name, TownNames, 16));
                break;
            case FEATURE_TRIBE:
            case FEATURE_STORE:
                EXPECT_EQ(f.size.x, 7.0f);
                EXPECT_EQ(f.position.y, 94.0f);
                EXPECT_EQ(f.name, nullptr);
                break;
            default:
                ADD_FAILURE() << "unexpected feature type " << f.type;
            }
        }

        // Ground shapes, newest first: hills from east to west, then the floor and the ceiling.
        std::vector<b2Shape*> shapes;
        for (b2Shape* s = game->ground->GetShapeList(); s; s = s->GetNext()) shapes.push_back(s);
        ASSERT_GE(shapes.size(), 3u);
        EXPECT_EQ(TagOf(shapes[shapes.size() - 1]), SHAPETAG_CEILING);
        EXPECT_EQ(TagOf(shapes[shapes.size() - 2]), SHAPETAG_FLOOR);
        EXPECT_FLOAT_EQ(shapes[shapes.size() - 2]->GetRestitution(), 0.1f);
        EXPECT_FLOAT_EQ(shapes[shapes.size() - 1]->GetRestitution(), 0.0f);
        int slippery = 0, runs = 0;
        bool inRun = false;
        float lastWest = 2000.0f;
        for (size_t i = 0; i + 2 < shapes.size(); ++i) {
            const b2Shape* s = shapes[i];
            const intptr_t tag = TagOf(s);
            ASSERT_TRUE(tag == SHAPETAG_HILL || tag == SHAPETAG_SLIPPERY_HILL);
            ASSERT_EQ(s->GetType(), phys::e_polygonShape);
            const auto* p = static_cast<const phys::b2PolygonShape*>(s);
            ASSERT_EQ(p->GetVertexCount(), 3);
            const b2Vec2* v = p->GetVertices();
            // Peak, east base, west base; the base in the floor slab at y 100.
            EXPECT_EQ(v[1].y, 100.0f);
            EXPECT_EQ(v[2].y, 100.0f);
            EXPECT_LT(v[0].y, 99.0f);
            EXPECT_GE(v[0].y, 88.0f);
            EXPECT_GT(v[0].x, v[2].x);
            EXPECT_LT(v[0].x, v[1].x);
            EXPECT_LT(v[1].x, 978.0f);
            EXPECT_LT(v[2].x, lastWest);  // hills were placed from west to east
            lastWest = v[2].x;
            EXPECT_FLOAT_EQ(s->GetRestitution(), 0.1f);
            if (tag == SHAPETAG_SLIPPERY_HILL) {
                ++slippery;
                EXPECT_GT(v[2].x, 200.0f);
                EXPECT_FLOAT_EQ(s->GetFriction(), 0.01f);
                if (!inRun) ++runs;
                inRun = true;
            } else {
                EXPECT_FLOAT_EQ(s->GetFriction(), 0.5f);
                inRun = false;
            }
        }
        EXPECT_LE(slippery, 3);
        EXPECT_LE(runs, 1);
        withSlippery += slippery > 0;

        b2Vec2 w = game->wagon->body->GetPosition();
        EXPECT_EQ(w.x, 990.0f);
        EXPECT_EQ(w.y, 98.125f);
        EXPECT_EQ(game->food, 1000);
        EXPECT_FALSE(game->started);
        EXPECT_FALSE(game->won);
    }
    EXPECT_GT(withSlippery, 0);
}

TEST_F(JourneyTest, SameSeedSameTrail) {
    SeedRandom(31337);
    game->NewJourney();
    std::vector<Feature> first = game->features;
    SeedRandom(31337);
    game->NewJourney();
    ASSERT_EQ(game->features.size(), first.size());
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(game->features[i].type, first[i].type);
        EXPECT_EQ(game->features[i].position.x, first[i].position.x);
        EXPECT_EQ(game->features[i].name, first[i].name);
    }
}

// One journey worked out by hand from the generator's draws in their order: the city, then per
// hill its length and two slopes, the slippery test past x 200, the type, and a feature or a gap.
TEST_F(JourneyTest, DrawsComeInTheirOrder) {
    SeedRandom(31337);
    game->NewJourney();
    struct Expected {
        FeatureType type;
        float x, width;
        const char* name;
    };
    const Expected expected[] = {
        {FEATURE_EL_MORVANE, 15.0f, 7.0f, nullptr},
        {FEATURE_STORE, 155.69500732421875f, 7.0f, nullptr},
        {FEATURE_TRIBE, 255.3832244873047f, 7.0f, nullptr},
        {FEATURE_STORE, 330.95416259765625f, 7.0f, nullptr},
        {FEATURE_STORE, 388.158447265625f, 7.0f, nullptr},
        {FEATURE_STORE, 492.1993713378906f, 7.0f, nullptr},
        {FEATURE_TOWN, 547.37451171875f, 7.0f, "North Platte"},
        {FEATURE_TOWN, 623.9882202148438f, 7.0f, "Soda Springs"},
        {FEATURE_RIVER, 711.3478393554688f, 3.731912851333618f, "Snake River"},
        {FEATURE_TRIBE, 791.45751953125f, 7.0f, nullptr},
        {FEATURE_RIVER, 859.1583251953125f, 2.845050096511841f, "Amazon River"},
        {FEATURE_START_TOWN, 978.0f, 7.0f, nullptr},
    };
    const auto& fs = game->features;
    ASSERT_EQ(fs.size(), sizeof(expected) / sizeof(expected[0]));
    for (size_t i = 0; i < fs.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(fs[i].type, expected[i].type);
        EXPECT_EQ(fs[i].position.x, expected[i].x);
        EXPECT_EQ(fs[i].size.x, expected[i].width);
        if (expected[i].name)
            EXPECT_STREQ(fs[i].name, expected[i].name);
        else
            EXPECT_EQ(fs[i].name, nullptr);
    }

    // Hills from west to east (the shape list runs newest first, ending with floor and ceiling).
    std::vector<const phys::b2PolygonShape*> hills;
    for (b2Shape* s = game->ground->GetShapeList(); s; s = s->GetNext())
        if (TagOf(s) == SHAPETAG_HILL || TagOf(s) == SHAPETAG_SLIPPERY_HILL)
            hills.insert(hills.begin(), static_cast<const phys::b2PolygonShape*>(s));
    ASSERT_EQ(hills.size(), 51u);
    const b2Vec2* v = hills[0]->GetVertices();
    EXPECT_EQ(v[0].x, 28.985008239746094f);
    EXPECT_EQ(v[0].y, 96.73990631103516f);
    EXPECT_EQ(v[1].x, 34.34979248046875f);
    EXPECT_EQ(v[2].x, 23.24832534790039f);
    for (size_t i = 0; i < hills.size(); ++i) {
        const bool slippery = i >= 30 && i <= 32;
        EXPECT_EQ(TagOf(hills[i]), slippery ? SHAPETAG_SLIPPERY_HILL : SHAPETAG_HILL) << i;
    }
    EXPECT_EQ(hills[30]->GetVertices()[2].x, 595.5167236328125f);
    // The wagon and the party draw nothing: the generator stands where the trail left it.
    EXPECT_EQ(g_RandomSeed, 1987653356u);
}

TEST_F(JourneyTest, RiverWidthFollowsPosition) {
    game->features.clear();
    EXPECT_NEAR(game->AddFeature(FEATURE_RIVER, 150.0f), 7.1f, 1e-5f);
    EXPECT_NEAR(game->AddFeature(FEATURE_RIVER, 850.0f), 2.9f, 1e-5f);
    EXPECT_EQ(game->AddFeature(FEATURE_RIVER, 1200.0f), 2.0f);
    EXPECT_EQ(game->AddFeature(FEATURE_STORE, 500.0f), 7.0f);
    ASSERT_EQ(game->features.size(), 4u);
    EXPECT_EQ(game->features[0].position.y, 97.0f);
    EXPECT_EQ(game->features[3].position.y, 94.0f);
    EXPECT_EQ(game->features[3].name, nullptr);
}

TEST_F(JourneyTest, TownNameComesFromTheGenerator) {
    game->features.clear();
    g_RandomSeed = 5;
    uint32_t k = RandomInt(16);
    g_RandomSeed = 5;
    game->AddFeature(FEATURE_TOWN, 400.0f);
    EXPECT_EQ(game->features[0].name, TownNames[k]);
    EXPECT_STREQ(TownNames[15], "Itacoatiara");
    EXPECT_STREQ(RiverNames[12], "(unknown)");
}

TEST_F(JourneyTest, NewJourneyRestoresTheParty) {
    game->party[2].health = 0;
    game->party[2].name = "Twofeathers";
    game->party[2].portrait = 5;
    game->party[3].disease = DISEASE_TYPHOID;
    game->food = 3;
    game->started = game->won = true;
    game->endCountdown = 77;
    game->messageTimer = 12;
    game->NewJourney();
    const char* names[] = {"Pa", "Ma", "Boobell", "John-Boy", "Zeke"};
    for (int i = 0; i < PARTY_SIZE; ++i) {
        EXPECT_STREQ(game->party[i].name, names[i]);
        EXPECT_EQ(game->party[i].health, 100);
        EXPECT_EQ(game->party[i].disease, DISEASE_NONE);
        EXPECT_EQ(game->party[i].portrait, i);
    }
    EXPECT_EQ(game->food, 1000);
    EXPECT_FALSE(game->started);
    EXPECT_FALSE(game->won);
    EXPECT_EQ(game->endCountdown, 0);
    EXPECT_EQ(game->messageTimer, 0);
    // Only the ground and the wagon are in the world.
    EXPECT_EQ(game->world->GetBodyCount(), 2);
}

}  // namespace
