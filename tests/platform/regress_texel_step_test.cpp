// Texture coordinates billions of texels out step across a span in 32.32 fixed point past the
// 64-bit range: the steps wrap as the SIMD lanes do, the same on every path, instead of
// overflowing (undefined behaviour the sanitizers report).
#include <gtest/gtest.h>

#include "tests/platform/d3d9_fixture.h"

namespace {

class RegressTexelStep : public DeviceTest {};

TEST_F(RegressTexelStep, FarTexelsStepWithoutOverflow) {
    d3d9test::Image first;
    for (auto path : {d3d9test::RasterPath::General, d3d9test::RasterPath::Scalar, d3d9test::RasterPath::Fastest}) {
        ASSERT_TRUE(d3d9test::SetRasterPath(path));
        Make(16, 8);
        IDirect3DTexture9* t = Texture(1, 1, [](UINT, UINT) { return 0xFF80C020u; });
        dev->SetTexture(0, t);
        // u from 8e8 to 3.6e9 texels over 4 pixels: 7e8 texels a pixel, 3e18 in fixed point.
        Rect(2, 2, 6, 6, 0xFFFFFFFF, 0.5f, 8e8f, 0, 3.6e9f, 1);
        Rect(8, 2, 12, 6, 0xFFFFFFFF, 0.5f, -8e8f, 0, -3.6e9f, 1);
        d3d9test::Image img = Back();
        EXPECT_EQ(img.At(3, 3), 0xFF80C020u);
        EXPECT_EQ(img.At(10, 4), 0xFF80C020u);
        if (path == d3d9test::RasterPath::General) first = img;
        else EXPECT_EQ(img.pixels, first.pixels);
        dev->SetTexture(0, nullptr);
        t->Release();
        Release();
    }
    d3d9test::SetRasterPath(d3d9test::RasterPath::Fastest);
}

}  // namespace
