// Alpha blending of runs of opaque, clear and partly transparent texels gives exactly
// round(t * a / 255 + d * (255 - a) / 255) per channel, whether four neighbouring texels
// share their alpha or not, drawn at their own size and doubled (as the game's screen pass).
#include <gtest/gtest.h>

#include "tests/platform/d3d9_fixture.h"

namespace {

uint32_t Div255(uint32_t x) {
    x += 128;
    return (x + (x >> 8)) >> 8;
}

uint32_t Blend(uint32_t t, uint32_t d) {
    uint32_t a = t >> 24, out = 0;
    for (int s = 0; s < 24; s += 8)
        out |= Div255(((t >> s) & 0xFF) * a + ((d >> s) & 0xFF) * (255 - a)) << s;
    return out;
}

// Groups of four texels: all opaque, all clear, mixed, all half, then mixed again.
uint32_t Texel(UINT x, UINT y) {
    static const uint32_t kMixed[4] = {0, 255, 128, 1};
    uint32_t a;
    switch ((x / 4) % 5) {
    case 0: a = 255; break;
    case 1: a = 0; break;
    case 3: a = 128; break;
    default: a = kMixed[(x + y) % 4]; break;
    }
    return (a << 24) | (((x * 37 + y * 5) & 0xFF) << 16) | (((x * 11) & 0xFF) << 8) | ((y * 60 + 7) & 0xFF);
}

class RegressBlendRuns : public DeviceTest {};

TEST_F(RegressBlendRuns, UniformAndMixedRunsBlendExactly) {
    for (int scale : {1, 2}) {
        for (bool alphaTest : {true, false}) {
            Make(80 * scale, 4 * scale);
            IDirect3DTexture9* tex = Texture(64, 4, Texel);
            ASSERT_NE(tex, nullptr);
            dev->SetRenderState(D3DRS_ALPHATESTENABLE, alphaTest ? TRUE : FALSE);
            const DWORD background = 0xFF336699;
            dev->Clear(0, nullptr, D3DCLEAR_TARGET, background, 1.0f, 0);
            dev->BeginScene();
            dev->SetTexture(0, tex);
            // 80 pixels of a 64-texel texture: the last 16 wrap round to the first texels.
            Rect(0, 0, float(80 * scale), float(4 * scale), 0xFFFFFFFF, 0, 0, 0, 80.0f / 64.0f, 1);
            dev->EndScene();
            d3d9test::Image img = Back();
            int wrong = 0;
            for (UINT y = 0; y < img.height; ++y)
                for (UINT x = 0; x < img.width; ++x) {
                    uint32_t t = Texel((x / scale) % 64, y / scale);
                    uint32_t want = Blend(t, background);
                    if ((img.At(x, y) & 0xFFFFFF) != want && wrong++ < 5)
                        ADD_FAILURE() << "scale " << scale << " alpha test " << alphaTest << " at " << x << "," << y
                                      << ": " << std::hex << img.At(x, y) << " want " << want;
                }
            EXPECT_EQ(wrong, 0);
            tex->Release();
            Release();
        }
    }
}

}  // namespace
