// Screenshots: numbering in the application folder, host-given names, the back buffer.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "tests/engine/gfx_fixture.h"
#include "tests/support/golden.h"

namespace {

std::string AppFolder() { return golden::ProgramFolder(); }

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

void Touch(const std::string& path) { std::ofstream(path) << "x"; }

std::string Shot(const char* name) { return AppFolder() + "/" + name; }

// Width and height from a BMP header, 0 when the file is not one.
std::pair<int, int> BmpSize(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    unsigned char h[26] = {};
    if (!f.read(reinterpret_cast<char*>(h), sizeof(h)) || h[0] != 'B' || h[1] != 'M') return {0, 0};
    int w = h[18] | (h[19] << 8) | (h[20] << 16) | (h[21] << 24);
    int ht = h[22] | (h[23] << 8) | (h[24] << 16) | (h[25] << 24);
    return {w, ht < 0 ? -ht : ht};
}

const char* const kNames[] = {"shot000.bmp", "shot001.bmp", "shot002.bmp", "shot003.bmp", "shot004.bmp",
                              "shot005.bmp", "shot006.bmp", "shot007.bmp", "shotabc.bmp", "shot123.bmp",
                              "shot1000.bmp"};

void CleanUp() {
    for (const char* n : kNames) {
        std::string p = Shot(n);
        rmdir(p.c_str());
        unlink(p.c_str());
    }
}

}  // namespace

class GfxScreenshotTest : public GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        CleanUp();
    }
    void TearDown() override {
        CleanUp();
        GfxTest::TearDown();
    }
};

// One test for the whole series: the shots share the program's folder.
TEST_F(GfxScreenshotTest, NumberedSeriesInTheApplicationFolder) {
    // Without a device nothing is written.
    engine->System_Screenshot();
    EXPECT_FALSE(Exists(Shot("shot000.bmp")));

    ASSERT_TRUE(Start(GfxOptions{40, 30, true, false, false, 32, 0}));
    TargetHandle target = engine->Target_Create(16, 16, false);
    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(0xFF336699);
    engine->Gfx_EndScene();

    engine->System_Screenshot();
    ASSERT_TRUE(Exists(Shot("shot000.bmp")));
    EXPECT_EQ(BmpSize(Shot("shot000.bmp")), std::make_pair(40, 30));

    // Taken while a scene draws into a render target: still the screen's back buffer.
    ASSERT_TRUE(engine->Gfx_BeginScene(target));
    engine->System_Screenshot();
    engine->Gfx_EndScene();
    EXPECT_EQ(BmpSize(Shot("shot001.bmp")), std::make_pair(40, 30));

    // A directory matching the wildcard is not counted; a file with letters is.
    mkdir(Shot("shot123.bmp").c_str(), 0755);
    Touch(Shot("shotabc.bmp"));
    engine->System_Screenshot();
    EXPECT_TRUE(Exists(Shot("shot003.bmp")));
    EXPECT_FALSE(Exists(Shot("shot002.bmp")));

    // A gap: shot001, shot003 and shotabc count 3, but shot003 exists, so the next free
    // number is taken and nothing is replaced.
    unlink(Shot("shot000.bmp").c_str());
    engine->System_Screenshot();
    EXPECT_TRUE(Exists(Shot("shot004.bmp")));
    EXPECT_EQ(BmpSize(Shot("shot003.bmp")), std::make_pair(40, 30));

    // A folder holding the next free name is passed over too: shot001, shot003, shot004 and
    // shotabc count 4, shot004 is a file and shot005 a folder, so the shot becomes shot006.
    mkdir(Shot("shot005.bmp").c_str(), 0755);
    engine->System_Screenshot();
    EXPECT_EQ(BmpSize(Shot("shot006.bmp")), std::make_pair(40, 30));
    // And a folder with the counted name itself: five files count 5, shot005 is the folder and
    // shot006 a file.
    unlink(Shot("shot004.bmp").c_str());
    Touch(Shot("shot002.bmp"));
    engine->System_Screenshot();
    EXPECT_EQ(BmpSize(Shot("shot007.bmp")), std::make_pair(40, 30));

    // The back buffer cannot be had: nothing written, nothing reported.
    e->errorText[0] = 0;
    d3d9test::SetFault(d3d9test::Fault::GetBackBuffer, 1, 1);
    engine->System_Screenshot();
    EXPECT_FALSE(Exists(Shot("shot000.bmp")));
    EXPECT_EQ(Error(), "");
    engine->Target_Free(target);
}

// Leaves the numbered series alone, so it may run beside the test above.
using GfxScreenshotNameTest = GfxTest;

TEST_F(GfxScreenshotNameTest, HostNameIsUsedUnchanged) {
    ASSERT_TRUE(Start(GfxOptions{24, 16, true, false, false, 32, 0}));
    char dir[] = "/tmp/fw_shot_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string path = std::string(dir) + "/mine.bmp";
    engine->System_Screenshot(path.c_str());
    EXPECT_EQ(BmpSize(path), std::make_pair(24, 16));
    unlink(path.c_str());
    rmdir(dir);
}
