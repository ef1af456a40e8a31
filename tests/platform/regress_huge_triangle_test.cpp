// Triangles with corners billions of pixels away (huge particles, far-off sprites) cover the
// screen as they should: their edge arithmetic must not overflow.
#include <gtest/gtest.h>

#include "tests/platform/d3d9_fixture.h"

namespace {

class RegressHugeTriangle : public DeviceTest {};

TEST_F(RegressHugeTriangle, CornersFarOutsideStillFillTheScreen) {
    for (float far : {1e9f, 1e11f, 1e13f}) {
        Make(64, 48);
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        dev->BeginScene();
        dev->SetTexture(0, nullptr);
        const DWORD col = 0xFF20C040;
        FwVertex tri[3] = {{-far, -far, 0, col, 0, 0}, {far, -far, 0, col, 0, 0}, {32, far, 0, col, 0, 0}};
        Triangles(tri, 1);
        dev->EndScene();
        d3d9test::Image img = Back();
        int filled = 0;
        for (uint32_t p : img.pixels) filled += (p & 0xFFFFFF) == (col & 0xFFFFFF);
        EXPECT_EQ(filled, 64 * 48) << "corners at " << far;
        Release();
    }
}

}  // namespace
