// D3DX matrix helpers in the row-vector convention.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/d3dx9/d3dx9.h"

namespace {

void Apply(const D3DXMATRIX& m, float x, float y, float z, float* ox, float* oy, float* oz) {
    *ox = x * m._11 + y * m._21 + z * m._31 + m._41;
    *oy = x * m._12 + y * m._22 + z * m._32 + m._42;
    *oz = x * m._13 + y * m._23 + z * m._33 + m._43;
}

TEST(D3dxMath, EngineScreenProjectionMapsPixelCornersToClipCorners) {
    D3DXMATRIX s, t, o, m;
    D3DXMatrixScaling(&s, 1, -1, 1);
    D3DXMatrixTranslation(&t, -0.5f, 480.5f, 0);
    D3DXMatrixMultiply(&m, &s, &t);
    D3DXMatrixOrthoOffCenterLH(&o, 0, 640, 0, 480, 0, 1);
    D3DXMatrixMultiply(&m, &m, &o);  // the output may alias an input
    float x, y, z;
    Apply(m, 0.5f, 0.5f, 0.25f, &x, &y, &z);
    EXPECT_FLOAT_EQ(x, -1.0f);
    EXPECT_FLOAT_EQ(y, 1.0f);
    EXPECT_FLOAT_EQ(z, 0.25f);
    Apply(m, 640.5f, 480.5f, 0, &x, &y, &z);
    EXPECT_FLOAT_EQ(x, 1.0f);
    EXPECT_FLOAT_EQ(y, -1.0f);
}

TEST(D3dxMath, ProductAppliesTheLeftMatrixFirst) {
    D3DXMATRIX r, t, m;
    D3DXMatrixRotationZ(&r, float(M_PI / 2));
    EXPECT_NEAR(r._12, 1.0f, 1e-6);
    EXPECT_NEAR(r._21, -1.0f, 1e-6);
    D3DXMatrixTranslation(&t, 10, 0, 0);
    D3DXMatrixMultiply(&m, &r, &t);  // rotate, then shift
    float x, y, z;
    Apply(m, 1, 0, 0, &x, &y, &z);
    EXPECT_NEAR(x, 10.0f, 1e-5);
    EXPECT_NEAR(y, 1.0f, 1e-5);
    D3DXMatrixMultiply(&m, &t, &r);  // shift, then rotate
    Apply(m, 1, 0, 0, &x, &y, &z);
    EXPECT_NEAR(x, 0.0f, 1e-5);
    EXPECT_NEAR(y, 11.0f, 1e-5);
    D3DXMATRIX id;
    D3DXMatrixIdentity(&id);
    D3DXMatrixMultiply(&m, &id, &m);
    Apply(m, 1, 0, 0, &x, &y, &z);
    EXPECT_NEAR(y, 11.0f, 1e-5);
}

TEST(D3dxMath, OrthoOffCenterElements) {
    D3DXMATRIX o;
    D3DXMatrixOrthoOffCenterLH(&o, 10, 50, -70, -20, 0, 1);
    EXPECT_FLOAT_EQ(o._11, 2.0f / 40);
    EXPECT_FLOAT_EQ(o._22, 2.0f / 50);
    EXPECT_FLOAT_EQ(o._33, 1.0f);
    EXPECT_FLOAT_EQ(o._41, 60.0f / -40);
    EXPECT_FLOAT_EQ(o._42, -90.0f / -50);
    EXPECT_FLOAT_EQ(o._43, 0.0f);
    EXPECT_FLOAT_EQ(o._44, 1.0f);
    EXPECT_FLOAT_EQ(o._12, 0.0f);
}

}  // namespace
