// Graphics device: creation, mode search, loss and restore, window fitting, projection, release.
#include <cstring>

#include "engine/engine_impl.h"
#include "platform/d3dx9/d3dx9.h"

namespace {

const char* const kFormatNames[] = {"UNKNOWN", "R5G6B5", "X1R5G5B5", "A1R5G5B5", "X8R8G8B8", "A8R8G8B8"};

const DWORD kFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

int BppOfRank(int rank) { return rank < 4 ? 16 : 32; }

// Unbinds and releases the index and vertex buffers, unlocking a batch still held in the
// vertex buffer.
void ReleaseBuffers(EngineImpl* e) {
    if (e->indexBuffer) {
        e->d3dDevice->SetIndices(nullptr);
        e->indexBuffer->Release();
        e->indexBuffer = nullptr;
    }
    if (e->vertexBuffer) {
        if (e->vertArray) {
            e->vertexBuffer->Unlock();
            e->vertArray = nullptr;
        }
        e->d3dDevice->SetStreamSource(0, nullptr, 0, sizeof(Vertex));
        e->vertexBuffer->Release();
        e->vertexBuffer = nullptr;
    }
}

}  // namespace

int EngineImpl::Gfx_FormatId(D3DFORMAT fmt) {
    switch (fmt) {
        case D3DFMT_R5G6B5: return 1;
        case D3DFMT_X1R5G5B5: return 2;
        case D3DFMT_A1R5G5B5: return 3;
        case D3DFMT_X8R8G8B8: return 4;
        case D3DFMT_A8R8G8B8: return 5;
        default: return 0;
    }
}

bool EngineImpl::Gfx_Init() {
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d) {
        System_PostError("Can't create D3D interface");
        return false;
    }

    // The identifier is not examined: an unreadable one logs empty names and 0.0.0.0.
    D3DADAPTER_IDENTIFIER9 adapterId;
    memset(&adapterId, 0, sizeof(adapterId));
    d3d->GetAdapterIdentifier(D3DADAPTER_DEFAULT, 0, &adapterId);
    adapterId.Driver[sizeof(adapterId.Driver) - 1] = 0;
    adapterId.Description[sizeof(adapterId.Description) - 1] = 0;
    System_Log("D3D Driver: %s", adapterId.Driver);
    System_Log("Description: %s", adapterId.Description);
    System_Log("Version: %d.%d.%d.%d", HIWORD(static_cast<DWORD>(adapterId.DriverVersion.HighPart)),
               LOWORD(static_cast<DWORD>(adapterId.DriverVersion.HighPart)),
               HIWORD(adapterId.DriverVersion.LowPart), LOWORD(adapterId.DriverVersion.LowPart));

    D3DDISPLAYMODE desktop;
    memset(&desktop, 0, sizeof(desktop));
    if (FAILED(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop)) || desktop.Format == D3DFMT_UNKNOWN) {
        System_PostError("Can't determine desktop video mode");
        if (windowed) return false;
        desktop.Format = D3DFMT_UNKNOWN;
    }

    memset(&d3dppW, 0, sizeof(d3dppW));
    d3dppW.BackBufferWidth = screenWidth;
    d3dppW.BackBufferHeight = screenHeight;
    d3dppW.BackBufferFormat = desktop.Format;
    d3dppW.BackBufferCount = 1;
    d3dppW.MultiSampleType = D3DMULTISAMPLE_NONE;
    d3dppW.SwapEffect = D3DSWAPEFFECT_COPY;
    d3dppW.hDeviceWindow = window;
    d3dppW.Windowed = TRUE;
    d3dppW.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
    if (zBuffer) {
        d3dppW.EnableAutoDepthStencil = TRUE;
        d3dppW.AutoDepthStencilFormat = D3DFMT_D24S8;
    }

    // Full-screen mode search: the modes come in the desktop format, so only it can be chosen.
    D3DFORMAT best = D3DFMT_UNKNOWN;
    UINT modes = d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, desktop.Format);
    for (UINT i = 0; i < modes; i++) {
        D3DDISPLAYMODE mode;
        memset(&mode, 0, sizeof(mode));
        d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, desktop.Format, i, &mode);
        if (mode.Width != static_cast<UINT>(screenWidth) || mode.Height != static_cast<UINT>(screenHeight))
            continue;
        if (screenBPP == 16 && Gfx_FormatId(mode.Format) > Gfx_FormatId(D3DFMT_A1R5G5B5)) continue;
        if (Gfx_FormatId(mode.Format) > Gfx_FormatId(best)) best = mode.Format;
    }
    if (best == D3DFMT_UNKNOWN) {
        System_PostError("Can't find appropriate full screen video mode");
        if (!windowed) return false;
    }

    memset(&d3dppFS, 0, sizeof(d3dppFS));
    d3dppFS.BackBufferWidth = screenWidth;
    d3dppFS.BackBufferHeight = screenHeight;
    d3dppFS.BackBufferFormat = best;
    d3dppFS.BackBufferCount = 1;
    d3dppFS.MultiSampleType = D3DMULTISAMPLE_NONE;
    d3dppFS.SwapEffect = D3DSWAPEFFECT_FLIP;
    d3dppFS.hDeviceWindow = window;
    d3dppFS.Windowed = FALSE;
    d3dppFS.FullScreen_RefreshRateInHz = 0;
    d3dppFS.PresentationInterval = fps == FPS_VSYNC ? D3DPRESENT_INTERVAL_ONE : D3DPRESENT_INTERVAL_IMMEDIATE;
    if (zBuffer) {
        d3dppFS.EnableAutoDepthStencil = TRUE;
        d3dppFS.AutoDepthStencilFormat = D3DFMT_D24S8;
    }

    d3dpp = windowed ? &d3dppW : &d3dppFS;
    screenBPP = BppOfRank(Gfx_FormatId(d3dpp->BackBufferFormat));

    if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                 d3dpp, &d3dDevice))) {
        d3dDevice = nullptr;
        System_PostError("Can't create D3D device");
        return false;
    }

    Gfx_AdjustWindow();
    System_Log("Mode: %d x %d x %s\n", screenWidth, screenHeight, kFormatNames[Gfx_FormatId(best)]);

    vertArray = nullptr;
    textures = nullptr;

    Gfx_SetProjectionMatrix(screenWidth, screenHeight);
    D3DXMatrixIdentity(&viewMatrix);

    if (!Gfx_InitLost()) return false;

    Gfx_Clear(0);
    return true;
}

bool EngineImpl::Gfx_InitLost() {
    gfxLostReady = false;
    screenSurf = nullptr;
    screenDepth = nullptr;
    d3dDevice->GetRenderTarget(0, &screenSurf);
    d3dDevice->GetDepthStencilSurface(&screenDepth);

    // Render targets are made again in the current back-buffer format; a refusal leaves the
    // record without a texture (or depth surface), which the scene code refuses to draw into.
    for (RenderTarget* t = targets; t; t = t->next) {
        t->texture = nullptr;
        t->depth = nullptr;
        if (FAILED(D3DXCreateTexture(d3dDevice, t->width, t->height, 1, D3DUSAGE_RENDERTARGET, d3dpp->BackBufferFormat,
                                     D3DPOOL_DEFAULT, &t->texture)))
            t->texture = nullptr;
        if (t->zbuffer &&
            FAILED(d3dDevice->CreateDepthStencilSurface(t->width, t->height, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0,
                                                        FALSE, &t->depth, nullptr)))
            t->depth = nullptr;
    }

    if (FAILED(d3dDevice->CreateVertexBuffer(VERTEX_BUFFER_SIZE * sizeof(Vertex), D3DUSAGE_WRITEONLY, kFvf,
                                             D3DPOOL_DEFAULT, &vertexBuffer, nullptr))) {
        vertexBuffer = nullptr;
        System_PostError("Can't create D3D vertex buffer");
        return false;
    }

    d3dDevice->SetVertexShader(nullptr);
    d3dDevice->SetFVF(kFvf);
    d3dDevice->SetStreamSource(0, vertexBuffer, 0, sizeof(Vertex));

    if (FAILED(d3dDevice->CreateIndexBuffer(VERTEX_BUFFER_SIZE * 6 / 4 * sizeof(WORD), D3DUSAGE_WRITEONLY,
                                            D3DFMT_INDEX16, D3DPOOL_DEFAULT, &indexBuffer, nullptr))) {
        indexBuffer = nullptr;
        System_PostError("Can't create D3D index buffer");
        return false;
    }

    void* locked = nullptr;
    if (FAILED(indexBuffer->Lock(0, 0, &locked, 0)) || !locked) {
        System_PostError("Can't lock D3D index buffer");
        return false;
    }
    WORD* index = static_cast<WORD*>(locked);
    for (int n = 0; n < VERTEX_BUFFER_SIZE; n += 4) {
        *index++ = static_cast<WORD>(n);
        *index++ = static_cast<WORD>(n + 1);
        *index++ = static_cast<WORD>(n + 2);
        *index++ = static_cast<WORD>(n + 2);
        *index++ = static_cast<WORD>(n + 3);
        *index++ = static_cast<WORD>(n);
    }
    indexBuffer->Unlock();
    d3dDevice->SetIndices(indexBuffer);

    d3dDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d3dDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    d3dDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d3dDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d3dDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d3dDevice->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d3dDevice->SetRenderState(D3DRS_ALPHAREF, 1);
    d3dDevice->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);

    d3dDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d3dDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d3dDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d3dDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d3dDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d3dDevice->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);

    d3dDevice->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    DWORD filter = textureFilter ? D3DTEXF_LINEAR : D3DTEXF_POINT;
    d3dDevice->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
    d3dDevice->SetSamplerState(0, D3DSAMP_MINFILTER, filter);

    nPrim = 0;
    curPrimType = PRIM_QUADS;
    curBlendMode = BLENDMODE_DEFAULT;
    curTexture = nullptr;

    d3dDevice->SetTransform(D3DTS_VIEW, &viewMatrix);
    d3dDevice->SetTransform(D3DTS_PROJECTION, &projMatrix);
    gfxLostReady = true;
    return true;
}

bool EngineImpl::Gfx_Restore() {
    if (!d3dDevice) return false;

    // A scene still open (a restore from Gfx_BeginScene) is abandoned: its buffer goes away.
    if (vertArray) {
        if (vertexBuffer) vertexBuffer->Unlock();
        vertArray = nullptr;
        nPrim = 0;
    }

    if (screenSurf) screenSurf->Release();
    screenSurf = nullptr;
    if (screenDepth) screenDepth->Release();
    screenDepth = nullptr;

    for (RenderTarget* t = targets; t; t = t->next) {
        if (t->texture) t->texture->Release();
        t->texture = nullptr;
        if (t->depth) t->depth->Release();
        t->depth = nullptr;
    }

    ReleaseBuffers(this);

    d3dDevice->Reset(d3dpp);

    // The reset binds the back buffer with a whole-surface viewport: the scene code follows it,
    // so the current target is the screen again with the screen's projection.
    if (curTarget) D3DXMatrixIdentity(&viewMatrix);
    curTarget = nullptr;
    gfxClipEmpty = false;
    Gfx_SetProjectionMatrix(screenWidth, screenHeight);

    if (!Gfx_InitLost()) return false;

    if (gfxRestoreFunc) return gfxRestoreFunc();
    return true;
}

void EngineImpl::Gfx_Resize(int width, int height) {
    if (!parentWindow) return;
    d3dppW.BackBufferWidth = width;
    d3dppW.BackBufferHeight = height;
    screenWidth = width;
    screenHeight = height;
    Gfx_SetProjectionMatrix(width, height);
    Gfx_Restore();
}

void EngineImpl::Gfx_AdjustWindow() {
    RECT* rc = windowed ? &rectW : &rectFS;
    LONG style = windowed ? styleW : styleFS;
    SetWindowLongA(window, GWL_STYLE, style);

    // Full screen stays on top of other windows; a window does not.
    LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    SetWindowLongA(window, GWL_EXSTYLE, windowed ? exStyle & ~WS_EX_TOPMOST : exStyle | WS_EX_TOPMOST);
    SetWindowPos(window, windowed ? HWND_NOTOPMOST : HWND_TOPMOST, rc->left, rc->top, rc->right - rc->left,
                 rc->bottom - rc->top, SWP_FRAMECHANGED);
}

void EngineImpl::Gfx_Done() {
    while (textures) {
        TextureNode* first = textures;
        Texture_Free(first->texture);
        if (textures == first) {  // a node whose texture could not be freed: drop it all the same
            textures = first->next;
            delete first;
        }
    }

    if (screenSurf) screenSurf->Release();
    screenSurf = nullptr;
    if (screenDepth) screenDepth->Release();
    screenDepth = nullptr;

    while (targets) {
        RenderTarget* t = targets;
        targets = t->next;
        if (t->texture) t->texture->Release();
        if (t->depth) t->depth->Release();
        delete t;
    }
    curTarget = nullptr;

    ReleaseBuffers(this);
    vertArray = nullptr;
    nPrim = 0;
    curTexture = nullptr;

    if (d3dDevice) {
        d3dDevice->Release();
        d3dDevice = nullptr;
    }
    if (d3d) {
        d3d->Release();
        d3d = nullptr;
    }
}

void EngineImpl::Gfx_SetProjectionMatrix(int width, int height) {
    D3DXMATRIX scale, shift, ortho, tmp;
    D3DXMatrixScaling(&scale, 1.0f, -1.0f, 1.0f);
    D3DXMatrixTranslation(&shift, -0.5f, static_cast<float>(height + 0.5), 0.0f);
    D3DXMatrixMultiply(&tmp, &scale, &shift);
    D3DXMatrixOrthoOffCenterLH(&ortho, 0.0f, static_cast<float>(width), 0.0f, static_cast<float>(height), 0.0f,
                               1.0f);
    D3DXMatrixMultiply(&tmp, &tmp, &ortho);
    projMatrix = tmp;
}
