// The Direct3D object and the device: modes, creation faults, loss and reset, references,
// locks and the journal.
#include "tests/platform/d3d9_fixture.h"

namespace {

using Device = DeviceTest;

TEST_F(Device, AdapterReportsDesktopAndModesOfAFormat) {
    d3d9test::SetDesktopMode(800, 600, D3DFMT_R5G6B5);
    d3d9test::SetModeList({{640, 480, 60, D3DFMT_X8R8G8B8}, {640, 480, 60, D3DFMT_R5G6B5}, {320, 240, 70, D3DFMT_R5G6B5}});
    IDirect3D9* d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d, nullptr);
    D3DDISPLAYMODE m{};
    ASSERT_EQ(d->GetAdapterDisplayMode(0, &m), D3D_OK);
    EXPECT_EQ(m.Width, 800u);
    EXPECT_EQ(m.Format, D3DFMT_R5G6B5);
    EXPECT_EQ(d->GetAdapterModeCount(0, D3DFMT_R5G6B5), 2u);
    EXPECT_EQ(d->GetAdapterModeCount(0, D3DFMT_UNKNOWN), 0u);
    ASSERT_EQ(d->EnumAdapterModes(0, D3DFMT_R5G6B5, 1, &m), D3D_OK);
    EXPECT_EQ(m.Width, 320u);
    EXPECT_NE(d->EnumAdapterModes(0, D3DFMT_R5G6B5, 2, &m), D3D_OK);
    D3DADAPTER_IDENTIFIER9 id;
    ASSERT_EQ(d->GetAdapterIdentifier(0, 0, &id), D3D_OK);
    EXPECT_GT(std::strlen(id.Description), 0u);
    d3d9test::SetFault(d3d9test::Fault::DesktopMode, 1, 1);
    EXPECT_TRUE(FAILED(d->GetAdapterDisplayMode(0, &m)));
    EXPECT_EQ(d->GetAdapterDisplayMode(0, &m), D3D_OK);
    d->Release();
}

TEST_F(Device, CreationFaultsAndFullScreenModeCheck) {
    d3d9test::SetFault(d3d9test::Fault::Create, 1, 1);
    EXPECT_EQ(Direct3DCreate9(D3D_SDK_VERSION), nullptr);
    EXPECT_EQ(Direct3DCreate9(32), nullptr);
    Make();
    D3DPRESENT_PARAMETERS fs = pp;
    fs.Windowed = FALSE;
    fs.BackBufferWidth = 512;  // not in the mode list
    IDirect3DDevice9* other = nullptr;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x20, &fs, &other), D3DERR_INVALIDCALL);
    fs.BackBufferWidth = 640;
    fs.BackBufferHeight = 480;
    fs.BackBufferFormat = D3DFMT_UNKNOWN;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x20, &fs, &other), D3DERR_INVALIDCALL);
    fs.BackBufferFormat = D3DFMT_X8R8G8B8;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x20, &fs, &other), D3D_OK);
    other->Release();
    d3d9test::SetFault(d3d9test::Fault::CreateDevice);
    EXPECT_TRUE(FAILED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x20, &pp, &other)));
    EXPECT_EQ(other, nullptr);
}

TEST_F(Device, NthBufferCreationAndIndexLockFail) {
    Make();
    d3d9test::SetFault(d3d9test::Fault::VertexBuffer, 2, 1);
    IDirect3DVertexBuffer9* a = nullptr;
    IDirect3DVertexBuffer9* b = nullptr;
    IDirect3DVertexBuffer9* c = nullptr;
    EXPECT_EQ(dev->CreateVertexBuffer(240, 8, 0x142, D3DPOOL_DEFAULT, &a, nullptr), D3D_OK);
    EXPECT_TRUE(FAILED(dev->CreateVertexBuffer(240, 8, 0x142, D3DPOOL_DEFAULT, &b, nullptr)));
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(dev->CreateVertexBuffer(240, 8, 0x142, D3DPOOL_DEFAULT, &c, nullptr), D3D_OK);
    a->Release();
    c->Release();
    d3d9test::SetFault(d3d9test::Fault::IndexBufferLock, 1, 1);
    void* p = reinterpret_cast<void*>(1);
    EXPECT_TRUE(FAILED(ib->Lock(0, 0, &p, 0)));
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(ib->Lock(0, 0, &p, 0), D3D_OK);
    ib->Unlock();
    // The vertex buffer always gives memory, even with a bogus range or a lost device.
    d3d9test::LoseDevice(5);
    EXPECT_EQ(vb->Lock(200000, 0, &p, 0), D3D_OK);
    EXPECT_NE(p, nullptr);
    vb->Unlock();
}

TEST_F(Device, LostThenNotResetUntilAResetSucceeds) {
    Make();
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0);
    d3d9test::LoseDevice(2);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    // While lost: Reset is refused and the device stays lost; Clear succeeds and does nothing;
    // the vertex buffer still locks.
    EXPECT_EQ(dev->Reset(&pp), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0), D3D_OK);
    EXPECT_EQ(d3d9test::ReadBackBuffer(dev).At(0, 0), 0xFF102030u);
    void* p = nullptr;
    EXPECT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
    EXPECT_NE(p, nullptr);
    vb->Unlock();
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    // Reset refused while the application holds default-pool objects.
    EXPECT_EQ(dev->Reset(&pp), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    dev->SetStreamSource(0, nullptr, 0, 24);
    dev->SetIndices(nullptr);
    vb->Release(), vb = nullptr;
    ib->Release(), ib = nullptr;
    d3d9test::SetFault(d3d9test::Fault::Reset, 1, 1);
    EXPECT_EQ(dev->Reset(&pp), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(dev->Reset(&pp), D3D_OK);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(d3d9test::CountCalls("Reset"), 4u);
}

TEST_F(Device, PresentedPictureIsTheBackBufferUntilItChanges) {
    Make(8, 8);
    EXPECT_TRUE(d3d9test::ReadPresented(dev).pixels.empty());  // nothing presented yet
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0);
    Rect(0, 0, 4, 4, 0xFFFFFFFF);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    d3d9test::Image shown = d3d9test::ReadPresented(dev);
    ASSERT_EQ(shown.width, 8u);
    EXPECT_EQ(shown.At(1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(shown.At(6, 6), 0xFF102030u);

    // Drawing into a render target leaves the presented picture alone.
    IDirect3DTexture9* rt = nullptr;
    ASSERT_EQ(dev->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &rt, nullptr),
              D3D_OK);
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(rt->GetSurfaceLevel(0, &level), D3D_OK);
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    dev->SetRenderTarget(0, level);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    Rect(0, 0, 8, 8, 0xFFFF0000);
    EXPECT_EQ(d3d9test::ReadPresented(dev).At(6, 6), 0xFF102030u);

    // A lost device draws nothing, so the picture stands; once the back buffer is drawn on,
    // cleared or written, the device has no copy of the old picture to show.
    dev->SetRenderTarget(0, back);
    d3d9test::LoseDevice(1);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    Rect(0, 0, 8, 8, 0xFF000000);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(d3d9test::ReadPresented(dev).At(1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    dev->SetRenderTarget(0, nullptr);  // refused: the back buffer stays bound
    level->Release();
    rt->Release();
    back->Release();
    dev->SetStreamSource(0, nullptr, 0, 24);
    dev->SetIndices(nullptr);
    vb->Release(), vb = nullptr;
    ib->Release(), ib = nullptr;
    ASSERT_EQ(dev->Reset(&pp), D3D_OK);
    EXPECT_TRUE(d3d9test::ReadPresented(dev).pixels.empty());  // a new back buffer
    MakeBuffers();
    EngineState();
    Projection(8, 8);

    Rect(0, 0, 4, 4, 0xFF0000FF);
    EXPECT_TRUE(d3d9test::ReadPresented(dev).pixels.empty());
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(d3d9test::ReadPresented(dev).At(1, 1), 0xFF0000FFu);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    EXPECT_TRUE(d3d9test::ReadPresented(dev).pixels.empty());
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(d3d9test::ReadPresented(dev).At(1, 1), 0xFF000000u);
    ASSERT_EQ(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    d3d9test::Image white{8, 8, std::vector<uint32_t>(64, 0xFFFFFFFFu)};
    EXPECT_TRUE(d3d9test::WriteSurface(back, white));
    back->Release();
    EXPECT_TRUE(d3d9test::ReadPresented(dev).pixels.empty());
}

TEST_F(Device, ResetRestoresEveryDefault) {
    Make(32, 32);
    IDirect3DTexture9* rt = nullptr;
    ASSERT_EQ(D3DXCreateTexture(dev, 32, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &rt), D3D_OK);
    IDirect3DTexture9* managed = Texture(4, 4, [](UINT, UINT) { return 0xFF112233u; });
    dev->SetTexture(0, rt);  // still bound at the reset, as the engine leaves it
    rt->Release();
    D3DVIEWPORT9 vp{1, 1, 4, 4, 0, 1};
    dev->SetViewport(&vp);
    dev->SetStreamSource(0, nullptr, 0, 24);
    dev->SetIndices(nullptr);
    vb->Release(), vb = nullptr;
    ib->Release(), ib = nullptr;
    int live = d3d9test::LiveObjectCount();
    pp.BackBufferWidth = 48;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    ASSERT_EQ(dev->Reset(&pp), D3D_OK);
    EXPECT_EQ(d3d9test::LiveObjectCount(), live);  // the render target died, the depth surface was made
    DWORD v = 0;
    dev->GetRenderState(D3DRS_ZWRITEENABLE, &v);
    EXPECT_EQ(v, DWORD(TRUE));
    dev->GetRenderState(D3DRS_ZENABLE, &v);
    EXPECT_EQ(v, DWORD(D3DZB_TRUE));
    dev->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
    EXPECT_EQ(v, DWORD(FALSE));
    dev->GetRenderState(D3DRS_CULLMODE, &v);
    EXPECT_EQ(v, DWORD(D3DCULL_CCW));
    dev->GetTextureStageState(0, D3DTSS_ALPHAOP, &v);
    EXPECT_EQ(v, DWORD(D3DTOP_SELECTARG1));
    dev->GetSamplerState(0, D3DSAMP_MAGFILTER, &v);
    EXPECT_EQ(v, DWORD(D3DTEXF_POINT));
    IDirect3DBaseTexture9* bound = reinterpret_cast<IDirect3DBaseTexture9*>(1);
    dev->GetTexture(0, &bound);
    EXPECT_EQ(bound, nullptr);
    dev->GetViewport(&vp);
    EXPECT_EQ(vp.X, 0u);
    EXPECT_EQ(vp.Width, 48u);
    D3DMATRIX m;
    dev->GetTransform(D3DTS_PROJECTION, &m);
    EXPECT_EQ(m._22, 1.0f);
    EXPECT_EQ(m._42, 0.0f);
    EXPECT_EQ(d3d9test::PresentParameters(dev).BackBufferWidth, 48u);
    // The managed texture survives untouched.
    EXPECT_EQ(d3d9test::ReadTexture(managed).At(3, 3), 0xFF112233u);
    managed->Release();
}

TEST_F(Device, BoundObjectsOutliveTheCallersRelease) {
    Make(8, 8);
    int live = d3d9test::LiveObjectCount();
    IDirect3DTexture9* t = Texture(2, 2, [](UINT, UINT) { return 0xFF00FF00u; });
    dev->SetTexture(0, t);
    EXPECT_EQ(t->Release(), 0u);
    EXPECT_EQ(d3d9test::LiveObjectCount(), live + 1);
    Rect(0, 0, 8, 8, 0xFFFFFFFF);  // still samples the released texture safely
    EXPECT_EQ(Back().At(4, 4), 0xFF00FF00u);
    dev->SetTexture(0, nullptr);
    EXPECT_EQ(d3d9test::LiveObjectCount(), live);
    // Surfaces of a texture share its count.
    ASSERT_EQ(D3DXCreateTexture(dev, 8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &t), D3D_OK);
    IDirect3DSurface9* s = nullptr;
    t->GetSurfaceLevel(0, &s);
    EXPECT_EQ(d3d9test::RefCount(t), 2u);
    s->Release();
    EXPECT_EQ(t->Release(), 0u);
    EXPECT_EQ(d3d9test::LiveObjectCount(), live);
    // An extra release is harmless.
    IDirect3DSurface9* back = nullptr;
    dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    EXPECT_EQ(back->Release(), 0u);
    EXPECT_EQ(back->Release(), 0u);
}

TEST_F(Device, LockRectIsTightlyPackedAndChecked) {
    Make(8, 8);
    IDirect3DTexture9* t = Texture(4, 2, [](UINT x, UINT y) { return 0xFF000000u | (y * 4 + x); });
    D3DLOCKED_RECT lr;
    ASSERT_EQ(t->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(lr.Pitch, 16);
    EXPECT_EQ(static_cast<uint32_t*>(lr.pBits)[5], 0xFF000005u);
    EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
    t->UnlockRect(0);
    RECT r{1, 1, 3, 2};
    ASSERT_EQ(t->LockRect(0, &lr, &r, 0), D3D_OK);
    EXPECT_EQ(static_cast<uint32_t*>(lr.pBits)[0], 0xFF000005u);
    t->UnlockRect(0);
    RECT outside{2, 0, 5, 1};
    EXPECT_EQ(t->LockRect(0, &lr, &outside, 0), D3DERR_INVALIDCALL);
    d3d9test::SetFault(d3d9test::Fault::LockRect, 1, 1);
    EXPECT_TRUE(FAILED(t->LockRect(0, &lr, nullptr, 0)));
    t->Release();

    // X8R8G8B8 levels store no alpha; 16-bit levels are handed out packed.
    IDirect3DTexture9* x = Texture(2, 1, [](UINT, UINT) { return 0x12345678u; }, D3DFMT_X8R8G8B8);
    EXPECT_EQ(d3d9test::ReadTexture(x).At(0, 0), 0xFF345678u);
    x->Release();
    ASSERT_EQ(D3DXCreateTexture(dev, 4, 4, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &t), D3D_OK);
    ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0), D3D_OK);
    EXPECT_EQ(lr.Pitch, 8);
    static_cast<uint16_t*>(lr.pBits)[1] = 0xF800;
    t->UnlockRect(0);
    EXPECT_EQ(d3d9test::ReadTexture(t).At(1, 0), 0xFFFF0000u);
    t->Release();
}

TEST_F(Device, JournalRecordsCallsWithArguments) {
    Make(8, 8);
    d3d9test::ClearJournal();
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    Rect(0, 0, 4, 4, 0xFFFFFFFF);
    dev->Present(nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(d3d9test::CountCalls("SetRenderState", D3DRS_DESTBLEND, D3DBLEND_ONE), 1u);
    auto draws = d3d9test::CallsNamed("DrawIndexedPrimitive");
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].args, (std::vector<int64_t>{D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2}));
    EXPECT_EQ(d3d9test::CountCalls("Lock", int64_t(reinterpret_cast<uintptr_t>(vb))), 1u);
    EXPECT_EQ(d3d9test::CountCalls("Present"), 1u);
    EXPECT_EQ(d3d9test::ReadPresented(dev).At(1, 1), 0xFFFFFFFFu);
    // Present after a fault loses the device once, then it must be reset.
    d3d9test::SetFault(d3d9test::Fault::Present, 1, 1);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
}

TEST_F(Device, DrawCallsOutOfRangeAreRefused) {
    Make(8, 8);
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 3990, 10), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 5990, 10), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 3999, 0, 4, 0, 2), D3D_OK);  // indices past the end skip
    dev->SetStreamSource(0, nullptr, 0, 24);
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_LINELIST, 0, 1), D3DERR_INVALIDCALL);
}

TEST_F(Device, FullScreenDeviceIsLostWhileItsWindowIsInactive) {
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS fs{};
    fs.BackBufferWidth = 640, fs.BackBufferHeight = 480, fs.BackBufferFormat = D3DFMT_X8R8G8B8;
    fs.SwapEffect = D3DSWAPEFFECT_FLIP;
    HWND w = reinterpret_cast<HWND>(0x1234);
    fs.hDeviceWindow = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, w, 0x20, &fs, &dev), D3D_OK);
    d3d9test::WindowActivated(w, false);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
    d3d9test::WindowActivated(w, true);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(dev->Reset(&fs), D3D_OK);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
}

}  // namespace
