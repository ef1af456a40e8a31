// Distortion meshes drawn on the headless device: displacement in each reference mode,
// colours per node, the cell count and the texture coordinates of a real texture.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/helpers/distortion_mesh.h"
#include "platform/backend/headless.h"
#include "tests/support/helpers_golden.h"

namespace {

class DistortionGolden : public ::testing::Test {
protected:
    void SetUp() override {
        platform::headless::Reset();
        d3d9test::ResetControls();
        platform::headless::SetDebugEcho(false);
        engine = CreateEngine(ENGINE_VERSION);
    }
    void TearDown() override {
        if (tex) engine->Texture_Free(tex);
        if (started) engine->System_Shutdown();
        engine->System_Release();
        platform::headless::SetDebugEcho(true);
    }

    // A texture of 8 by 8 checks in four colour pairs, one pair per quadrant.
    bool Start(int w, int h, int texSize) {
        std::string why;
        if (!helpers_test::StartGraphics(engine, w, h, &why)) {
            reason = why;
            return false;
        }
        started = true;
        tex = engine->Texture_Create(texSize, texSize);
        DWORD* px = tex ? engine->Texture_Lock(tex, false) : nullptr;
        if (!px) {
            reason = "no lockable texture";
            return false;
        }
        int tw = engine->Texture_GetWidth(tex);
        const DWORD pairs[4][2] = {{0xFFFF4040, 0xFF802020}, {0xFF40FF40, 0xFF208020},
                                   {0xFF4040FF, 0xFF202080}, {0xFFFFFFFF, 0xFF808080}};
        for (int y = 0; y < texSize; y++)
            for (int x = 0; x < texSize; x++) {
                int q = (y >= texSize / 2) * 2 + (x >= texSize / 2);
                px[y * tw + x] = pairs[q][((x / 8) + (y / 8)) & 1];
            }
        engine->Texture_Unlock(tex);
        return true;
    }

    Engine* engine = nullptr;
    TextureHandle tex = 0;
    bool started = false;
    std::string reason;
};

#define START_OR_SKIP(w, h, t) \
    if (!Start(w, h, t)) FAIL() << "graphics not available: " << reason

}  // namespace

TEST_F(DistortionGolden, EachReferenceModeAndNodeColours) {
    START_OR_SKIP(224, 64, 64);
    DistortionMesh m(7, 7);
    m.SetTexture(tex);
    m.SetTextureRect(0, 0, 48, 48);

    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(0xFF000000);
    m.Render(4, 8);  // undistorted

    for (int r = 0; r < 7; r++)
        for (int c = 0; c < 7; c++) m.SetDisplacement(c, r, 3 * std::sin(r * 1.1f), 2 * std::cos(c * 0.9f), DISPLACE_FROM_GRID);
    m.Render(58, 8);

    for (int r = 0; r < 7; r++)
        for (int c = 0; c < 7; c++) m.SetDisplacement(c, r, c * 8.0f + (6 - r) * 1.5f, r * 7.0f + c, DISPLACE_FROM_ORIGIN);
    m.Render(112, 8);

    for (int r = 0; r < 7; r++)
        for (int c = 0; c < 7; c++) {
            float dx = (c - 3) * 8.0f, dy = (r - 3) * 8.0f;
            float k = 0.55f + 0.15f * std::sqrt(dx * dx + dy * dy) / 34;
            m.SetDisplacement(c, r, dx * k, dy * k, DISPLACE_FROM_CENTER);
            m.SetColor(c, r, 0xFF000000 | static_cast<DWORD>(255 - r * 30) << 16 | static_cast<DWORD>(c * 40) << 8 | 0xC0);
        }
    m.SetColor(3, 3, 0x00FFFFFF);  // a transparent centre node
    m.Render(166, 8);
    engine->Gfx_EndScene();
    EXPECT_TRUE(helpers_test::MatchesGolden(helpers_test::Capture(engine), "helpers_distortion"));
}

TEST_F(DistortionGolden, OneQuadPerCellAndCoordinatesOfTheTexture) {
    START_OR_SKIP(64, 64, 256);
    ASSERT_EQ(engine->Texture_GetWidth(tex), 256);
    DistortionMesh m(3, 3);
    m.SetTexture(tex);
    m.SetTextureRect(64, 0, 128, 64);
    EXPECT_EQ(m.cellWidth, 64.0f);
    EXPECT_EQ(m.cellHeight, 32.0f);
    EXPECT_FLOAT_EQ(m.nodes[8].x, 128.0f);
    EXPECT_FLOAT_EQ(m.nodes[8].y, 64.0f);
    EXPECT_FLOAT_EQ(m.nodes[8].tx, 0.75f);
    EXPECT_FLOAT_EQ(m.nodes[8].ty, 0.25f);

    DistortionMesh grid(6, 4);
    grid.SetTexture(tex);
    grid.SetTextureRect(0, 0, 50, 30);
    ASSERT_TRUE(engine->Gfx_BeginScene());
    d3d9test::EnableJournal(true);
    d3d9test::ClearJournal();
    grid.Render(2, 2);
    DistortionMesh flat(1, 5);
    flat.SetTexture(tex);
    flat.SetTextureRect(0, 0, 50, 30);
    flat.Render(0, 0);  // no cells
    engine->Gfx_EndScene();
    int64_t triangles = 0;
    for (const d3d9test::Call& c : d3d9test::CallsNamed("DrawIndexedPrimitive")) triangles += c.args.at(5);
    EXPECT_EQ(triangles, 5 * 3 * 2);
}
