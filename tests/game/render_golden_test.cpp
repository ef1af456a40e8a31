// Frames of the game drawn by the real engine on the headless device with the generated data,
// at a fixed seed, compared with golden pictures; and the drawing rules the pictures rest on:
// camera, hill colours, the screen pass and the target after a device reset.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/engine.h"
#include "engine/helpers/resource_manager.h"
#include "engine/helpers/sprite.h"
#include "game/app.h"
#include "game/game.h"
#include "game/utils.h"
#include "game/wagon.h"
#include "platform/backend/headless.h"
#include "platform/d3d9/d3d9_test.h"
#include "tests/support/game_data.h"
#include "tests/support/golden.h"
#include "tests/support/render_journey_seed.h"

namespace hl = platform::headless;

namespace {

// One engine and one resource manager for the whole program: the game keeps the sprites it
// fetched for the program's life, so the manager must outlive every game made here.
class GameWorld : public ::testing::Environment {
public:
    void SetUp() override {
        if (!fwtest::GameDataPresent()) {
            why = "no data folder beside the test program (build the fw_data target)";
            return;
        }
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        hl::Reset();
        d3d9test::ResetControls();
        hl::SetDebugEcho(false);
        g_Engine = CreateEngine(ENGINE_VERSION);
        g_Engine->System_SetState(STATE_GFX_RESTORE_FUNC, GameRestoreGfx);
        g_Engine->System_SetState(STATE_TITLE, "Farewander");
        g_Engine->System_SetState(STATE_WINDOWED, true);
        g_Engine->System_SetState(STATE_USE_SOUND, true);  // sound records need the library
        g_Engine->System_SetState(STATE_SCREEN_WIDTH, WINDOW_WIDTH);
        g_Engine->System_SetState(STATE_SCREEN_HEIGHT, WINDOW_HEIGHT);
        g_Engine->System_SetState(STATE_TEXTURE_FILTER, false);
        g_Engine->System_SetState(STATE_ZBUFFER, false);
        if (!g_Engine->System_Initiate()) {
            why = std::string("System_Initiate: ") + g_Engine->System_GetErrorMessage();
            return;
        }
        hl::ClearDebugOutput();
        g_ResourceManager = new ResourceManager("data\\tamble.res");
        scriptLog = hl::DebugLines();
        if (!g_ResourceManager->LoadGroup(0)) {
            why = std::string("LoadGroup: ") + g_Engine->System_GetErrorMessage();
            return;
        }
        ready = true;
    }
    void TearDown() override {
        delete g_ResourceManager;
        g_ResourceManager = nullptr;
        if (g_Engine) {
            g_Engine->System_Shutdown();
            g_Engine->System_Release();
            g_Engine = nullptr;
        }
    }

    bool ready = false;
    std::string why;
    std::vector<std::string> scriptLog;
};
GameWorld* g_World = static_cast<GameWorld*>(::testing::AddGlobalTestEnvironment(new GameWorld));

class GameFrames : public ::testing::Test {
protected:
    void SetUp() override {
        if (!g_World->ready) GTEST_SKIP() << g_World->why;
        g_MouseCaptured = false;
        new Game();
        game = g_Game;
        // The journey of a fixed seed instead of the clock's.
        render_test::SeedOfFullJourney(game);
        g_FrameCounter = 1;
    }
    void TearDown() override {
        delete g_Game;
        g_Game = nullptr;
    }

    // The wagon at rest, upright, with its wheels on the ground line at x.
    void PlaceWagon(float x, float y = 98.125f) {
        game->wagon->body->SetXForm(b2Vec2(x, y), 0.0f);
        game->wagon->body->SetLinearVelocity(b2Vec2(0.0f, 0.0f));
        game->wagon->body->SetAngularVelocity(0.0f);
    }
    const Feature* FirstOfType(FeatureType type) const {
        for (const Feature& f : game->features)
            if (f.type == type) return &f;
        return nullptr;
    }
    // Draws one frame at the given frame count and reads back the render target.
    d3d9test::Image Frame(int frameCounter) {
        g_FrameCounter = frameCounter;
        game->Render();
        // The target's texture is rounded up to a power of two; the picture is its top-left.
        d3d9test::Image all = d3d9test::ReadTexture(g_Engine->Target_GetTexture(game->renderTarget));
        d3d9test::Image img;
        img.width = SCREEN_WIDTH;
        img.height = SCREEN_HEIGHT;
        if (all.width < img.width || all.height < img.height) return img;
        for (UINT y = 0; y < img.height; ++y)
            for (UINT x = 0; x < img.width; ++x) img.pixels.push_back(all.At(x, y) | 0xFF000000u);
        return img;
    }

    Game* game = nullptr;
};

// Compares with the picture at path (FW_UPDATE_GOLDEN=1 rewrites it). A few pixels may differ
// (slack), where turned sprites and slopes follow the rasterizer's rounding at their edges; a
// misplaced, missing or miscoloured picture differs in far more.
::testing::AssertionResult MatchesPicture(const std::string& path, const std::string& name,
                                          const d3d9test::Image& img, size_t kSlack) {
    const char* update = std::getenv("FW_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        if (golden::WritePng(path, img)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "cannot write " << path;
    }
    d3d9test::Image want;
    std::string problem;
    if (!golden::ReadPng(path, &want)) {
        problem = "no golden picture " + path;
    } else if (want.width != img.width || want.height != img.height) {
        problem = "size differs from the golden picture";
    } else {
        size_t differ = 0;
        for (size_t i = 0; i < img.pixels.size(); ++i) differ += (img.pixels[i] | 0xFF000000u) != (want.pixels[i] | 0xFF000000u);
        if (differ <= kSlack) return ::testing::AssertionSuccess();
        problem = std::to_string(differ) + " pixels differ";
    }
    const std::string dir = golden::ProgramFolder() + "/golden-actual";
    mkdir(dir.c_str(), 0755);
    golden::WritePng(dir + "/" + name + ".png", img);
    return ::testing::AssertionFailure() << name << ": " << problem << " (actual picture in " << dir << ")";
}

// Compares a target frame with tests/golden/<name>.png.
::testing::AssertionResult MatchesFrame(const std::string& name, const d3d9test::Image& img) {
    return MatchesPicture(std::string(FW_TEST_DATA_DIR) + "/golden/" + name + ".png", name, img, 8);
}

#define EXPECT_GOLDEN(name, image) EXPECT_TRUE(MatchesFrame(name, image))

// The window in the middle of a journey: the README's screenshot, docs/journey.png. Rewritten by
//   FW_UPDATE_GOLDEN=1 build/bin/test_game_render_golden_test --gtest_filter=GameFrames.JourneyScreenshot
TEST_F(GameFrames, JourneyScreenshot) {
    const Feature* town = FirstOfType(FEATURE_TOWN);
    ASSERT_NE(town, nullptr) << "the seed's journey has a town";
    game->state = GAMESTATE_JOURNEY;
    game->started = true;
    game->food = 643;
    game->party[1].health = 71;
    game->party[3].health = 38;
    game->party[3].disease = DISEASE_DYSENTERY;
    // The wagon settled just east of the town, its greeting on the message line.
    PlaceWagon(town->position.x + town->size.x + 3.5f, 96.0f);
    for (int i = 0; i < 45; ++i) game->world->Step(1.0f / 60.0f, 10, 10);
    game->ShowMessage(170, "You rest for 3 days\nin %s.", town->name);
    Frame(6);  // (6 / 6) mod 3 = 1: the disease word is shown
    const d3d9test::Image screen = d3d9test::ReadPresented(g_Engine->Gfx_GetDevice());
    ASSERT_EQ(screen.width, UINT(WINDOW_WIDTH));
    ASSERT_EQ(screen.height, UINT(WINDOW_HEIGHT));
    d3d9test::Image opaque = screen;
    for (uint32_t& p : opaque.pixels) p |= 0xFF000000u;
    // Each pixel of the target is four of the window.
    EXPECT_TRUE(MatchesPicture(std::string(FW_TEST_DATA_DIR) + "/../docs/journey.png", "journey", opaque, 4 * 8));
}

TEST_F(GameFrames, TitleScreenBlinksItsOverlayAndArrow) {
    // The first 12 frames of the program (the end-to-end window test sees the same one).
    g_FrameCounter = 0;
    while (g_FrameCounter < 12) game->Update();
    // Frame 12: overlay bright ((12 / 4) odd), arrow shown ((12 / 12) mod 3 = 1).
    d3d9test::Image bright = Frame(12);
    EXPECT_GOLDEN("game_title_bright", bright);
    // Frame 8: overlay dim, arrow hidden ((8 / 12) mod 3 = 0).
    d3d9test::Image dim = Frame(8);
    EXPECT_GOLDEN("game_title_dim", dim);

    // On the title no status text is drawn and the start town has no label: the two frames
    // differ only inside the title picture and the arrow.
    for (UINT y = 0; y < bright.height; ++y)
        for (UINT x = 0; x < bright.width; ++x) {
            const bool title = x >= 14 && x < 14 + 292 && y >= 8 && y < 8 + 136;
            const bool arrow = x >= 228 && x < 252 && y >= 152 && y < 168;
            if (!title && !arrow) {
                ASSERT_EQ(bright.At(x, y), dim.At(x, y)) << x << "," << y;
            }
        }
}

TEST_F(GameFrames, JourneyAtTheStartTownWithItsMessage) {
    game->state = GAMESTATE_JOURNEY;
    PlaceWagon(981.5f);
    game->Update();  // the first visit shows the greeting for 180 frames
    ASSERT_TRUE(game->started);
    ASSERT_EQ(game->messageTimer, 179);
    game->messageTimer = 170;  // (170 / 6) mod 3 = 1: shown
    PlaceWagon(981.5f);
    EXPECT_GOLDEN("game_start_town", Frame(20));

    // The message blinks by its own timer: hidden when (timer / 6) mod 3 is 0.
    game->messageTimer = 162;
    d3d9test::Image hidden = Frame(20);
    game->messageTimer = 0;
    d3d9test::Image none = Frame(20);
    EXPECT_TRUE(hidden.pixels == none.pixels);

    // After an ending the status display stays but the start town's sign goes.
    game->state = GAMESTATE_ENDED;
    d3d9test::Image ended = Frame(20);
    Sprite* sign = g_ResourceManager->GetSprite("ind_text");
    ASSERT_NE(sign, nullptr);
    const float signTop = 224 - sign->hotY, signBottom = signTop + sign->height;  // the anchor is on row 224
    size_t inside = 0, outside = 0;
    for (UINT y = 0; y < ended.height; ++y)
        for (UINT x = 0; x < ended.width; ++x)
            if (ended.At(x, y) != none.At(x, y)) ++(y >= signTop && y < signBottom ? inside : outside);
    EXPECT_GT(inside, 0u);
    EXPECT_EQ(outside, 0u) << "only the sign differs";
}

TEST_F(GameFrames, PartyWithSickAndDeadMembers) {
    game->state = GAMESTATE_JOURNEY;
    game->food = 734;
    game->party[0].health = 100;
    game->party[1].health = 0;  // dead: the grave marker alone
    game->party[2].health = 50;
    game->party[2].disease = DISEASE_DYSENTERY;
    game->party[3].health = 73;
    game->party[3].disease = DISEASE_CHOLERA;
    game->party[4].health = 1;  // alive with an empty bar
    game->party[4].disease = DISEASE_TYPHOID;
    PlaceWagon(990.0f);
    // Frame 6: (6 / 6) mod 3 = 1: the disease words are shown.
    d3d9test::Image shown = Frame(6);
    EXPECT_GOLDEN("game_party", shown);

    // Frames 0 to 5 of every 18 hide the words; the rest of the frame stays as it is.
    d3d9test::Image hidden = Frame(18 * 7 + 3);
    size_t differ = 0;
    for (UINT y = 0; y < shown.height; ++y)
        for (UINT x = 0; x < shown.width; ++x)
            if (shown.At(x, y) != hidden.At(x, y)) {
                ++differ;
                EXPECT_TRUE(x >= 24 && y >= 22 + 4 && y < 76 + 4 + 8) << x << "," << y;
            }
    EXPECT_GT(differ, 0u);
    // Bars: 48 px white at 100, 24 at 50, none at 1.
    EXPECT_EQ(shown.At(24 + 47, 4 + 10), 0xFFFFFFFFu);
    EXPECT_EQ(hidden.At(24 + 23, 40 + 10), 0xFFFFFFFFu);
    EXPECT_EQ(hidden.At(24 + 24, 40 + 10), 0xFF808080u);
    EXPECT_EQ(hidden.At(24, 76 + 10), 0xFF808080u);
    // The dead member's row has no bar.
    EXPECT_EQ(hidden.At(24 + 10, 22 + 10), hidden.At(24 + 10, 22 + 17)) << "no bar beside the grave";
}

TEST_F(GameFrames, RiverWithItsName) {
    const Feature* river = FirstOfType(FEATURE_RIVER);
    ASSERT_NE(river, nullptr) << "the seed's journey has a river";
    ASSERT_NE(river->name, nullptr);
    game->state = GAMESTATE_JOURNEY;
    // The wagon settled 8 units east of the river's centre: the river and its name in view.
    PlaceWagon(river->position.x + river->size.x / 2 + 8.0f, 96.0f);
    for (int i = 0; i < 45; ++i) game->world->Step(1.0f / 60.0f, 10, 10);
    d3d9test::Image img = Frame(30);
    EXPECT_GOLDEN("game_river", img);
    // The band runs from 2 pixels above the ground line to the bottom of the target.
    const int left = int(river->position.x * 16 - game->cameraX);
    const int cx = left + int(river->size.x * 8);
    EXPECT_NE(img.At(cx, 221), 0xFF0000FFu) << "nothing of the band above its top";
    EXPECT_EQ(img.At(cx, 222), 0xFF0000FFu);
    EXPECT_EQ(img.At(cx, 239), 0xFF0000FFu);
    EXPECT_EQ(img.At(left - 1, 230), 0xFF00DE00u);
}

TEST_F(GameFrames, LostCityWithItsThreeRotatingLabels) {
    game->state = GAMESTATE_ENDED;  // the city's labels are drawn in every state
    game->food = 12;
    PlaceWagon(22.5f);
    EXPECT_GOLDEN("game_city", Frame(6 * 4));  // phase 1 at the lowest label

    // Each label takes the colour of its phase: j = 0 lowest.
    const Feature* city = FirstOfType(FEATURE_EL_MORVANE);
    ASSERT_NE(city, nullptr);
    Sprite* label = g_ResourceManager->GetSprite("el_morvane_text");
    ASSERT_NE(label, nullptr);
    Frame(6 * 5);  // phase (5 + 2) mod 3 = 1 last: red on the top label, left in the sprite
    EXPECT_EQ(label->GetColor(0), 0xFFFF0000u);
    Frame(6 * 3 + 5);  // (3 + 2) mod 3 = 2: yellow
    EXPECT_EQ(label->GetColor(0), 0xFFFFFF00u);
}

TEST_F(GameFrames, TownTribeAndStoreOnTheTrail) {
    game->state = GAMESTATE_JOURNEY;
    const struct {
        FeatureType type;
        const char* golden;
    } kinds[] = {{FEATURE_TOWN, "game_town"}, {FEATURE_TRIBE, "game_tribe"}, {FEATURE_STORE, "game_store"}};
    for (const auto& k : kinds) {
        const Feature* f = FirstOfType(k.type);
        ASSERT_NE(f, nullptr) << k.golden;
        // The wagon dropped just east of the feature and left to settle on the ground there.
        PlaceWagon(f->position.x + f->size.x + 2.0f, 96.0f);
        for (int i = 0; i < 45; ++i) game->world->Step(1.0f / 60.0f, 10, 10);
        EXPECT_GOLDEN(k.golden, Frame(40));
    }
}

TEST_F(GameFrames, CameraKeepsTheWagonInPlaceAndStopsAtTheWorldsBottom) {
    PlaceWagon(500.0f, 50.0f);
    Frame(1);
    EXPECT_FLOAT_EQ(game->cameraX, 500.0f * 16 - 240);
    EXPECT_FLOAT_EQ(game->cameraY, 50.0f * 16 - 30);

    // From y 86.875 on the view rests on the world's bottom edge.
    PlaceWagon(500.0f, 86.875f);
    Frame(1);
    EXPECT_FLOAT_EQ(game->cameraY, 1360.0f);
    PlaceWagon(500.0f, 86.0f);
    Frame(1);
    EXPECT_FLOAT_EQ(game->cameraY, 86.0f * 16 - 30);
    PlaceWagon(500.0f, 98.125f);
    d3d9test::Image img = Frame(1);
    EXPECT_FLOAT_EQ(game->cameraY, 1360.0f);
    // The ground strip (or a river over it) fills the last 16 rows: world rows 1584 to 1599.
    ASSERT_EQ(img.height, 240u);
    for (UINT y = 224; y < 240; ++y)
        for (UINT x = 0; x < img.width; ++x) {
            const uint32_t p = img.At(x, y);
            ASSERT_TRUE(p == 0xFF00DE00u || p == 0xFF0000FFu) << x << "," << y;
        }
}

// A ground of known hills: the colour goes by the position in the shape list, where the
// most recently attached shape comes first.
TEST_F(GameFrames, HillsAlternateByListPositionAndTheSlipperyOneIsWhite) {
    game->world->DestroyBody(game->ground);
    game->features.clear();
    phys::b2BodyDef bd;
    game->ground = game->world->CreateBody(&bd);
    phys::b2PolygonDef pd;
    pd.userData = reinterpret_cast<void*>(intptr_t(SHAPETAG_CEILING));
    pd.SetAsBox(500.0f, 1.0f, b2Vec2(500.0f, 1.0f), 0.0f);
    game->ground->CreateShape(&pd);
    pd.userData = reinterpret_cast<void*>(intptr_t(SHAPETAG_FLOOR));
    pd.SetAsBox(500.0f, 1.0f, b2Vec2(500.0f, 100.0f), 0.0f);
    game->ground->CreateShape(&pd);
    // West to east: hill, hill, slippery, hill, hill; each 2.5 wide and 5 high, 1 apart.
    const ShapeTag tags[5] = {SHAPETAG_HILL, SHAPETAG_HILL, SHAPETAG_SLIPPERY_HILL, SHAPETAG_HILL, SHAPETAG_HILL};
    for (int k = 0; k < 5; ++k) {
        const float x = 480.0f + 3.5f * k;
        pd.userData = reinterpret_cast<void*>(intptr_t(tags[k]));
        pd.vertexCount = 3;
        pd.vertices[0].Set(x + 1.25f, 94.0f);
        pd.vertices[1].Set(x + 2.5f, 100.0f);
        pd.vertices[2].Set(x, 100.0f);
        game->ground->CreateShape(&pd);
    }
    PlaceWagon(493.0f, 88.0f);  // in the air above the row
    d3d9test::Image img = Frame(1);
    EXPECT_GOLDEN("game_hills", img);

    // List order: hill 4 (position 0), hill 3 (1), slippery 2 (2), hill 1 (3), hill 0 (4),
    // then the floor and the ceiling.
    const uint32_t expect[5] = {0xFF006F00, 0xFF00DE00, 0xFFFFFFFF, 0xFF00DE00, 0xFF006F00};
    for (int k = 0; k < 5; ++k) {
        const int px = int((480.0f + 3.5f * k + 1.25f) * 16 - game->cameraX);
        const int py = int(97.0f * 16 - game->cameraY);
        EXPECT_EQ(img.At(px, py), expect[k]) << "hill " << k;
    }
}

TEST_F(GameFrames, TheScreenShowsTheTargetAtTwiceItsSize) {
    game->state = GAMESTATE_JOURNEY;
    d3d9test::Image target = Frame(7);
    d3d9test::Image screen = d3d9test::ReadPresented(g_Engine->Gfx_GetDevice());
    ASSERT_EQ(screen.width, 640u);
    ASSERT_EQ(screen.height, 480u);
    for (UINT y = 0; y < 480; ++y)
        for (UINT x = 0; x < 640; ++x)
            ASSERT_EQ(screen.At(x, y) | 0xFF000000u, target.At(x / 2, y / 2) | 0xFF000000u) << x << "," << y;
}

TEST_F(GameFrames, AfterADeviceResetTheScreenStillShowsTheTarget) {
    game->state = GAMESTATE_JOURNEY;
    Frame(7);
    d3d9test::LoseDevice(1);
    Frame(7);  // refused while lost
    d3d9test::Image target = Frame(7);  // restored: the game re-attaches the new texture
    Frame(7);
    d3d9test::Image screen = d3d9test::ReadPresented(g_Engine->Gfx_GetDevice());
    ASSERT_EQ(screen.width, 640u);
    EXPECT_EQ(game->targetSprite->quad.tex, g_Engine->Target_GetTexture(game->renderTarget));
    size_t bad = 0;
    for (UINT y = 0; y < 480; ++y)
        for (UINT x = 0; x < 640; ++x) bad += (screen.At(x, y) | 0xFF000000u) != (target.At(x / 2, y / 2) | 0xFF000000u);
    EXPECT_EQ(bad, 0u);
}

TEST_F(GameFrames, MissingResourcesLeaveTheirPartsOut) {
    // A manager whose script declares nothing: the game draws the world and its rectangles.
    ResourceManager* full = g_ResourceManager;
    ResourceManager empty(nullptr);
    g_ResourceManager = &empty;
    game->state = GAMESTATE_JOURNEY;
    game->party[2].disease = DISEASE_CHOLERA;
    game->ShowMessage(100, "Nothing to write with.");
    d3d9test::Image img = Frame(7);
    game->state = GAMESTATE_TITLE;
    Frame(12);
    g_ResourceManager = full;
    EXPECT_EQ(img.At(24, 4 + 7), 0xFFFFFFFFu) << "the bars are drawn without portraits";
}

}  // namespace
