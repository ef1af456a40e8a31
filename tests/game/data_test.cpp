// The game's data folder: the resource script loads without a complaint and declares every
// name the game fetches; the pictures put each sprite where the drawing code expects it; the
// font covers every text the game writes; the files have the formats the engine reads; and
// the generator writes the same files on every run.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/helpers/font.h"
#include "engine/helpers/resource_manager.h"
#include "engine/helpers/sprite.h"
#include "game/game.h"
#include "game/globals.h"
#include "platform/backend/headless.h"
#include "platform/d3d9/d3d9_test.h"
#include "tests/support/golden.h"

namespace hl = platform::headless;
namespace fs = std::filesystem;

namespace {

fs::path BinFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path(".") : exe.parent_path();
}
fs::path DataFolder() { return BinFolder() / "data"; }
bool DataPresent() { return fs::exists(DataFolder() / "tamble.res"); }

std::vector<unsigned char> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t Le16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

const char* const kSprites[] = {"title1",    "title2",    "ind_text",  "el_morvane_text", "left_arrow",
                                "independence_missouri",  "el_morvane", "tree",           "town",
                                "hut",       "store",     "portrait1", "portrait2",       "portrait3",
                                "portrait4", "portrait5", "portrait6", "portrait_dead",   "wagon1",
                                "wagon2"};
const char* const kFeatureSprites[] = {"independence_missouri", "el_morvane", "tree", "town", "hut", "store"};
const char* const kPortraits[] = {"portrait1", "portrait2", "portrait3", "portrait4",
                                  "portrait5", "portrait6", "portrait_dead"};
const char* const kSounds[] = {"good",   "bad",    "click1", "grunt1", "grunt2", "grunt3",
                               "grunt4", "grunt5", "hit1",   "hit2",   "hit3",   "hit4"};

// One engine and one resource manager over the game's script for the whole program.
class DataWorld : public ::testing::Environment {
public:
    void SetUp() override {
        if (!DataPresent()) {
            why = "no data folder beside the test program (build the fw_data target)";
            return;
        }
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        hl::Reset();
        d3d9test::ResetControls();
        hl::SetDebugEcho(false);
        g_Engine = CreateEngine(ENGINE_VERSION);
        g_Engine->System_SetState(STATE_WINDOWED, true);
        g_Engine->System_SetState(STATE_USE_SOUND, true);
        g_Engine->System_SetState(STATE_SCREEN_WIDTH, WINDOW_WIDTH);
        g_Engine->System_SetState(STATE_SCREEN_HEIGHT, WINDOW_HEIGHT);
        if (!g_Engine->System_Initiate()) {
            why = std::string("System_Initiate: ") + g_Engine->System_GetErrorMessage();
            return;
        }
        hl::ClearDebugOutput();
        g_ResourceManager = new ResourceManager("data\\tamble.res");
        parseLog = hl::DebugLines();
        hl::ClearDebugOutput();
        loaded = g_ResourceManager->LoadGroup(0);
        loadLog = hl::DebugLines();
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
    bool loaded = false;
    std::string why;
    std::vector<std::string> parseLog, loadLog;
};
DataWorld* g_Data = static_cast<DataWorld*>(::testing::AddGlobalTestEnvironment(new DataWorld));

class GameData : public ::testing::Test {
protected:
    void SetUp() override {
        if (!g_Data->ready) GTEST_SKIP() << g_Data->why;
        rm = g_ResourceManager;
    }

    // The picture a sprite shows: its texture's image file cut to the sprite's rectangle.
    d3d9test::Image Picture(const char* name) {
        d3d9test::Image out;
        Sprite* s = rm->GetSprite(name);
        if (!s) return out;
        const char* file = nullptr;
        if (s->quad.tex == rm->GetTexture("world")) file = "world.png";
        if (s->quad.tex == rm->GetTexture("title")) file = "title.png";
        d3d9test::Image all;
        if (!file || !golden::ReadPng((DataFolder() / file).string(), &all)) return out;
        out.width = UINT(s->width);
        out.height = UINT(s->height);
        for (UINT y = 0; y < out.height; ++y)
            for (UINT x = 0; x < out.width; ++x)
                out.pixels.push_back(all.At(UINT(s->rectX) + x, UINT(s->rectY) + y));
        return out;
    }
    // Top and bottom opaque rows of a picture (-1 when it is empty).
    static void OpaqueRows(const d3d9test::Image& img, int* top, int* bottom) {
        *top = *bottom = -1;
        for (UINT y = 0; y < img.height; ++y)
            for (UINT x = 0; x < img.width; ++x)
                if (img.At(x, y) >> 24) {
                    if (*top < 0) *top = int(y);
                    *bottom = int(y);
                }
    }

    ResourceManager* rm = nullptr;
};

TEST_F(GameData, TheScriptParsesAndLoadsWithoutALogLine) {
    for (const std::string& l : g_Data->parseLog) ADD_FAILURE() << "while parsing: " << l;
    for (const std::string& l : g_Data->loadLog) ADD_FAILURE() << "while loading: " << l;
    EXPECT_TRUE(g_Data->loaded) << g_Engine->System_GetErrorMessage();
}

TEST_F(GameData, EveryNameTheGameFetchesIsDeclaredInItsKind) {
    for (const char* name : kSprites) {
        EXPECT_NE(rm->FindResource(RES_LIST_SPRITE, name), nullptr) << name;
        Sprite* s = rm->GetSprite(name);
        ASSERT_NE(s, nullptr) << name;
        EXPECT_NE(s->quad.tex, nullptr) << name << " has a texture";
        // The rectangle lies inside the image.
        const int tw = g_Engine->Texture_GetWidth(s->quad.tex, true), th = g_Engine->Texture_GetHeight(s->quad.tex, true);
        EXPECT_TRUE(s->rectX >= 0 && s->rectY >= 0 && s->rectX + s->width <= tw && s->rectY + s->height <= th)
            << name;
        EXPECT_GT(s->width * s->height, 0.0f) << name;
    }
    EXPECT_NE(rm->FindResource(RES_LIST_FONT, "c64"), nullptr);
    EXPECT_NE(rm->GetFont("c64"), nullptr);
    for (const char* name : kSounds) {
        EXPECT_NE(rm->FindResource(RES_LIST_SOUND, name), nullptr) << name;
        EXPECT_NE(rm->GetSound(name), 0u) << name;
    }
    // The music is loaded by path, not through the script (a declaration would load it twice).
    EXPECT_EQ(rm->FindResource(RES_LIST_STREAM, "data\\tune1.ogg"), nullptr);
    for (int i = 1; i <= 5; ++i)
        EXPECT_TRUE(fs::exists(DataFolder() / ("tune" + std::to_string(i) + ".ogg"))) << i;
}

TEST_F(GameData, FeaturePicturesStandOnTheirAnchor) {
    for (const char* name : kFeatureSprites) {
        Sprite* s = rm->GetSprite(name);
        ASSERT_NE(s, nullptr) << name;
        // 7 x 5 units, the hot spot at the bottom centre: the anchor of Game::Render.
        EXPECT_EQ(s->width, 112.0f) << name;
        EXPECT_EQ(s->height, 80.0f) << name;
        EXPECT_EQ(s->hotX, 56.0f) << name;
        EXPECT_EQ(s->hotY, 80.0f) << name;
        int top, bottom;
        OpaqueRows(Picture(name), &top, &bottom);
        EXPECT_EQ(bottom, 79) << name << " touches the ground line";
        EXPECT_GE(top, 0) << name << " is not empty";
    }
    // The city leaves room for its labels: the lowest of the three ends above the picture.
    int cityTop, cityBottom;
    OpaqueRows(Picture("el_morvane"), &cityTop, &cityBottom);
    Sprite* label = rm->GetSprite("el_morvane_text");
    ASSERT_NE(label, nullptr);
    EXPECT_LE(label->height, 22.0f) << "the copies, 22 pixels apart, must not overlap";
    int lt, lb;
    OpaqueRows(Picture("el_morvane_text"), &lt, &lb);
    ASSERT_GE(lb, 0);
    // Picture row r lands at anchor y - hot y + r; the city's rows at anchor y - 80 + r.
    EXPECT_LT(lb - label->hotY, cityTop - 80.0f);
    // The start town's sign likewise floats over its picture.
    int townTop, townBottom;
    OpaqueRows(Picture("independence_missouri"), &townTop, &townBottom);
    Sprite* sign = rm->GetSprite("ind_text");
    ASSERT_NE(sign, nullptr);
    OpaqueRows(Picture("ind_text"), &lt, &lb);
    ASSERT_GE(lb, 0);
    EXPECT_LT(lb - sign->hotY, townTop - 80.0f);
}

TEST_F(GameData, WagonFramesShareTheirGeometryAndRollOnTheirWheels) {
    Sprite* a = rm->GetSprite("wagon1");
    Sprite* b = rm->GetSprite("wagon2");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->width, b->width);
    EXPECT_EQ(a->height, b->height);
    EXPECT_EQ(a->hotX, b->hotX);
    EXPECT_EQ(a->hotY, b->hotY);
    // The hot spot is the axle midpoint: the wheels (radius 14 px) end 14 px below it, and
    // reach 28 px to either side.
    for (const char* name : {"wagon1", "wagon2"}) {
        d3d9test::Image img = Picture(name);
        Sprite* s = rm->GetSprite(name);
        int top, bottom;
        OpaqueRows(img, &top, &bottom);
        EXPECT_EQ(bottom, int(s->hotY) + 13) << name;
        int left = int(img.width), right = -1;
        for (UINT y = UINT(s->hotY) - 2; y <= UINT(s->hotY) + 2; ++y)
            for (UINT x = 0; x < img.width; ++x)
                if (img.At(x, y) >> 24) {
                    left = std::min(left, int(x));
                    right = std::max(right, int(x));
                }
        EXPECT_LE(left, int(s->hotX) - 27) << name;
        EXPECT_GE(right, int(s->hotX) + 26) << name;
    }
    EXPECT_TRUE(Picture("wagon1").pixels != Picture("wagon2").pixels) << "the wheels turn";
}

TEST_F(GameData, StatusPicturesFitTheirPlaces) {
    for (const char* name : kPortraits) {
        Sprite* s = rm->GetSprite(name);
        ASSERT_NE(s, nullptr) << name;
        EXPECT_LE(s->width, 20.0f) << name << ": the bar starts at x 24";
        EXPECT_LE(s->height, 18.0f) << name << ": the rows are 18 apart";
        EXPECT_EQ(s->hotX, 0.0f) << name;
        EXPECT_EQ(s->hotY, 0.0f) << name;
    }
    // The six faces are told apart by their pictures alone.
    for (int i = 0; i < 7; ++i)
        for (int j = i + 1; j < 7; ++j)
            EXPECT_TRUE(Picture(kPortraits[i]).pixels != Picture(kPortraits[j]).pixels)
                << kPortraits[i] << " and " << kPortraits[j] << " look alike";

    Sprite* t1 = rm->GetSprite("title1");
    Sprite* t2 = rm->GetSprite("title2");
    ASSERT_TRUE(t1 && t2);
    EXPECT_EQ(t1->width, t2->width);
    EXPECT_EQ(t1->height, t2->height);
    EXPECT_LE(14 + t1->width, 320.0f);
    EXPECT_LE(8 + t1->height, 160.0f - 8) << "the title ends above the arrow";
    Sprite* arrow = rm->GetSprite("left_arrow");
    ASSERT_NE(arrow, nullptr);
    // The arrow, drawn at (240, 160), floats over the wagon, whose top is at y 176.
    int top, bottom;
    OpaqueRows(Picture("left_arrow"), &top, &bottom);
    EXPECT_LT(160 - arrow->hotY + bottom, 176.0f);
}

TEST_F(GameData, TheFontCoversEveryTextTheGameWrites) {
    Font* font = rm->GetFont("c64");
    ASSERT_NE(font, nullptr);
    ASSERT_NE(font->texture, nullptr);
    for (int c = 0x20; c <= 0x7E; ++c) {
        ASSERT_NE(font->glyphs[c], nullptr) << "code " << c;
        EXPECT_EQ(font->glyphs[c]->height, font->height) << "code " << c << ": one height for all";
    }
    EXPECT_EQ(font->GetScale(), 1.0f);
    EXPECT_EQ(font->GetTracking(), 0.0f);
    EXPECT_EQ(font->GetProportion(), 1.0f);

    // Every message line, with the longest names, fits the target when centred on x 185.
    const char* longestTown = "";
    for (const char* t : TownNames)
        if (std::strlen(t) > std::strlen(longestTown)) longestTown = t;
    const char* member = "Twofeathers";
    char buf[512];
    std::vector<std::string> messages = {
        "Everyone has starved to death.", "Everyone is dead.",
        "Good luck.\nYou have a long and difficult\njourney ahead of you.",
        "You discover a wise indian tribe.\nOne of them joins you as a guide.",
        "You discover a friendly indian tribe.\nThey give you a gift of\n450 pounds of food.",
        "You discover a suspicious indian tribe.\nYour wagon is cursed.",
        "You trade with the store\nfor 500 pounds of food.",
        "You find the legendary\nlost city of EL MORVANE.\nCongratulations, you\nare fantastically rich."};
    std::snprintf(buf, sizeof(buf), "%s is under quarantine.\n%s has cholera.", longestTown, member);
    messages.push_back(buf);
    std::snprintf(buf, sizeof(buf), "You rest for 3 days\nin %s.", longestTown);
    messages.push_back(buf);
    std::snprintf(buf, sizeof(buf), "The local doctor manages\nto cure %s's ailment.", member);
    messages.push_back(buf);
    std::snprintf(buf, sizeof(buf), "You discover a sick indian tribe.\n%s has typhoid.", member);
    messages.push_back(buf);
    for (const char* m : {"%s has dysentery.", "%s is dead.", "%s has a broken arm.", "%s has a broken leg."}) {
        std::snprintf(buf, sizeof(buf), m, member);
        messages.push_back(buf);
    }
    for (const std::string& m : messages) {
        size_t start = 0;
        while (start <= m.size()) {
            size_t end = m.find('\n', start);
            if (end == std::string::npos) end = m.size();
            std::string line = m.substr(start, end - start);
            EXPECT_LE(font->TextWidth(line.c_str()), 270.0f) << line;
            start = end + 1;
        }
    }
    // The food line from x 170 and the longest river name from a feature's centre.
    EXPECT_LE(170 + font->TextWidth("Food: 99999 pounds"), 320.0f);
}

TEST_F(GameData, PicturesArePowersOfTwoWithOpaqueOrClearPixels) {
    for (const char* file : {"title.png", "world.png", "c64.png"}) {
        d3d9test::Image img;
        ASSERT_TRUE(golden::ReadPng((DataFolder() / file).string(), &img)) << file;
        EXPECT_EQ(img.width & (img.width - 1), 0u) << file;
        EXPECT_EQ(img.height & (img.height - 1), 0u) << file;
        EXPECT_LE(img.width, 1024u) << file;
        size_t bad = 0;
        for (uint32_t p : img.pixels) bad += !(p >> 24 == 0xFF || p == 0);
        EXPECT_EQ(bad, 0u) << file << ": alpha is 0 or 255, colour 0 where clear";
    }
    // The glyphs are white ink, so the game's colours tint them exactly.
    d3d9test::Image glyphs;
    ASSERT_TRUE(golden::ReadPng((DataFolder() / "c64.png").string(), &glyphs));
    for (uint32_t p : glyphs.pixels) ASSERT_TRUE(p == 0 || p == 0xFFFFFFFFu);
}

TEST_F(GameData, SoundsAreMonoPcmWavesAndTheMusicIsOggVorbis) {
    for (const char* name : kSounds) {
        std::vector<unsigned char> d = ReadFile(DataFolder() / (std::string(name) + ".wav"));
        ASSERT_GE(d.size(), 44u) << name;
        ASSERT_EQ(std::memcmp(d.data(), "RIFF", 4), 0) << name;
        ASSERT_EQ(std::memcmp(d.data() + 8, "WAVE", 4), 0) << name;
        EXPECT_EQ(Le32(d.data() + 4), d.size() - 8) << name;
        std::vector<std::string> chunks;
        size_t p = 12;
        while (p + 8 <= d.size()) {
            std::string id(reinterpret_cast<const char*>(d.data() + p), 4);
            const uint32_t size = Le32(d.data() + p + 4);
            chunks.push_back(id);
            if (id == "fmt ") {
                EXPECT_EQ(Le16(d.data() + p + 8), 1) << name << ": PCM";
                EXPECT_EQ(Le16(d.data() + p + 10), 1) << name << ": mono";
                EXPECT_EQ(Le32(d.data() + p + 12), 44100u) << name;
                EXPECT_EQ(Le16(d.data() + p + 22), 16) << name << ": 16-bit";
            }
            if (id == "data") {
                EXPECT_GT(size, 0u) << name;
            }
            p += 8 + size + (size & 1);
        }
        EXPECT_EQ(chunks, (std::vector<std::string>{"fmt ", "data"})) << name;
    }
    for (int i = 1; i <= 5; ++i) {
        std::vector<unsigned char> d = ReadFile(DataFolder() / ("tune" + std::to_string(i) + ".ogg"));
        ASSERT_GE(d.size(), 58u) << i;
        EXPECT_LT(d.size(), 1u << 20) << i;
        EXPECT_EQ(std::memcmp(d.data(), "OggS", 4), 0) << i;
        // The first page holds the identification header: "\x01vorbis", version, channels, rate.
        EXPECT_EQ(std::memcmp(d.data() + 28, "\x01vorbis", 7), 0) << i;
        EXPECT_EQ(Le32(d.data() + 40), 44100u) << i;
    }
    // Lengths from the last page's sample position: every tune lasts at least 20 seconds.
    for (int i = 1; i <= 5; ++i) {
        std::vector<unsigned char> d = ReadFile(DataFolder() / ("tune" + std::to_string(i) + ".ogg"));
        size_t last = std::string::npos;
        for (size_t p = 0; p + 4 <= d.size(); ++p)
            if (std::memcmp(d.data() + p, "OggS", 4) == 0) last = p;
        ASSERT_NE(last, std::string::npos) << i;
        ASSERT_GE(d.size(), last + 14) << i;
        const uint64_t samples = Le32(d.data() + last + 6) | uint64_t(Le32(d.data() + last + 10)) << 32;
        const double seconds = double(samples) / 44100.0;
        EXPECT_GE(seconds, 20.0) << "tune" << i;
        EXPECT_LE(seconds, 40.0) << "tune" << i;
    }
}

TEST_F(GameData, TheGeneratorWritesTheSameFilesEveryTime) {
    const fs::path tool = BinFolder() / "fw_assets";
    if (!fs::exists(tool)) GTEST_SKIP() << "no generator beside the test program";
    const fs::path out = BinFolder() / ("data_test_regen_" + std::to_string(getpid()));
    fs::create_directories(out);
    const std::string cmd = "'" + tool.string() + "' '" + out.string() + "'";
    const int rc = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 0) << cmd;
    size_t compared = 0;
    for (const auto& entry : fs::directory_iterator(out)) {
        const fs::path shipped = DataFolder() / entry.path().filename();
        EXPECT_TRUE(fs::exists(shipped)) << entry.path().filename();
        EXPECT_TRUE(ReadFile(entry.path()) == ReadFile(shipped)) << entry.path().filename() << " differs";
        ++compared;
    }
    EXPECT_EQ(compared, 3u + 12u + 5u);
    fs::remove_all(out);
}

}  // namespace
