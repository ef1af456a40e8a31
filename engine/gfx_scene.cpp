// Scenes, primitives and batching: one locked vertex buffer per scene, a draw call per flush.
#include <cstring>

#include "engine/engine_impl.h"
#include "platform/d3dx9/d3dx9.h"

namespace {

int BatchLimit(int primType) { return VERTEX_BUFFER_SIZE / primType; }

bool ValidPrimType(int primType) {
    return primType == PRIM_LINES || primType == PRIM_TRIANGLES || primType == PRIM_QUADS;
}

bool TargetListed(const RenderTarget* list, const RenderTarget* target) {
    for (; list; list = list->next)
        if (list == target) return true;
    return false;
}

}  // namespace

// Makes target (the screen when null) the current one for scenes: its depth test, its
// projection and an identity view, with the clip rectangle reset.
void EngineImpl::Gfx_SetSceneView(TargetHandle target) {
    bool zOn = target ? target->depth != nullptr : zBuffer;
    d3dDevice->SetRenderState(D3DRS_ZENABLE, zOn ? TRUE : FALSE);
    if (target)
        Gfx_SetProjectionMatrix(target->width, target->height);
    else
        Gfx_SetProjectionMatrix(screenWidth, screenHeight);
    d3dDevice->SetTransform(D3DTS_PROJECTION, &projMatrix);
    D3DXMatrixIdentity(&viewMatrix);
    d3dDevice->SetTransform(D3DTS_VIEW, &viewMatrix);
    curTarget = target;
    gfxClipEmpty = false;
}

bool EngineImpl::Gfx_BeginScene(TargetHandle target) {
    if (!d3dDevice) return false;

    HRESULT hr = d3dDevice->TestCooperativeLevel();
    if (hr == D3DERR_DEVICELOST) return false;
    if (hr == D3DERR_DEVICENOTRESET) {
        if (windowed) {
            D3DDISPLAYMODE mode;
            memset(&mode, 0, sizeof(mode));
            if (FAILED(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode)) || mode.Format == D3DFMT_UNKNOWN) {
                System_PostError("Can't determine desktop video mode");
                return false;
            }
            d3dppW.BackBufferFormat = mode.Format;
            screenBPP = Gfx_FormatId(mode.Format) < 4 ? 16 : 32;
        }
        if (!Gfx_Restore()) return false;
    } else if (!gfxLostReady || !vertexBuffer || !indexBuffer) {
        // An earlier restore failed half-way (a buffer missing, or the quad pattern unwritten)
        // while the device came back: make the lost objects again.
        if (!Gfx_Restore()) return false;
    }

    if (vertArray) {
        System_PostError("Gfx_BeginScene: Scene is already being rendered");
        return false;
    }

    if (target != curTarget) {
        IDirect3DSurface9* surf = nullptr;
        IDirect3DSurface9* depth = nullptr;
        if (target) {
            // A handle that is not (or no longer) in the list, or a target whose texture could
            // not be made again after a reset, cannot be drawn into.
            if (!TargetListed(targets, target) || !target->texture ||
                FAILED(target->texture->GetSurfaceLevel(0, &surf)) || !surf) {
                System_PostError("Gfx_BeginScene: Can't set render target");
                return false;
            }
            depth = target->depth;
        } else {
            surf = screenSurf;
            depth = screenDepth;
        }
        if (!surf || FAILED(d3dDevice->SetRenderTarget(0, surf))) {
            if (target && surf) surf->Release();
            System_PostError("Gfx_BeginScene: Can't set render target");
            return false;
        }
        d3dDevice->SetDepthStencilSurface(depth);
        if (target) surf->Release();
        Gfx_SetSceneView(target);
    }

    d3dDevice->BeginScene();
    void* locked = nullptr;
    if (FAILED(vertexBuffer->Lock(0, 0, &locked, 0)) || !locked) {
        d3dDevice->EndScene();
        return false;
    }
    vertArray = static_cast<Vertex*>(locked);
    nPrim = 0;
    return true;
}

void EngineImpl::Gfx_EndScene() {
    if (!d3dDevice) return;
    Gfx_RenderBatch(true);
    d3dDevice->EndScene();
    if (!curTarget) d3dDevice->Present(nullptr, nullptr, nullptr, nullptr);
}

void EngineImpl::Gfx_FlushBatch() { Gfx_RenderBatch(false); }

void EngineImpl::Gfx_Clear(DWORD color) {
    if (!d3dDevice || gfxClipEmpty) return;
    bool depth = curTarget ? curTarget->depth != nullptr : zBuffer;
    d3dDevice->Clear(0, nullptr, depth ? (D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER) : D3DCLEAR_TARGET, color, 1.0f, 0);
}

void EngineImpl::Gfx_RenderBatch(bool endOfScene) {
    if (!vertArray) return;

    vertexBuffer->Unlock();
    if (nPrim > 0 && !gfxClipEmpty) {
        switch (curPrimType) {
            case PRIM_QUADS:
                d3dDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, nPrim * 4, 0, nPrim * 2);
                break;
            case PRIM_TRIANGLES: d3dDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, nPrim); break;
            case PRIM_LINES: d3dDevice->DrawPrimitive(D3DPT_LINELIST, 0, nPrim); break;
        }
    }
    nPrim = 0;

    if (endOfScene) {
        vertArray = nullptr;
    } else {
        void* locked = nullptr;
        if (FAILED(vertexBuffer->Lock(0, 0, &locked, 0))) locked = nullptr;
        vertArray = static_cast<Vertex*>(locked);
    }
}

void EngineImpl::Gfx_SetBlendMode(int blend) {
    if ((blend & BLENDMODE_ALPHABLEND) != (curBlendMode & BLENDMODE_ALPHABLEND))
        d3dDevice->SetRenderState(D3DRS_DESTBLEND,
                                  (blend & BLENDMODE_ALPHABLEND) ? D3DBLEND_INVSRCALPHA : D3DBLEND_ONE);
    if ((blend & BLENDMODE_ZWRITE) != (curBlendMode & BLENDMODE_ZWRITE))
        d3dDevice->SetRenderState(D3DRS_ZWRITEENABLE, (blend & BLENDMODE_ZWRITE) ? TRUE : FALSE);
    if ((blend & BLENDMODE_COLORADD) != (curBlendMode & BLENDMODE_COLORADD))
        d3dDevice->SetTextureStageState(0, D3DTSS_COLOROP,
                                        (blend & BLENDMODE_COLORADD) ? D3DTOP_ADD : D3DTOP_MODULATE);
    curBlendMode = blend;
}

// Makes room for one primitive of the given kind, flushing when the batch cannot take it.
static inline void PrepareBatch(EngineImpl* e, int primType, TextureHandle tex, int blend) {
    if (e->curPrimType != primType || e->nPrim >= BatchLimit(primType) || e->curTexture != tex ||
        e->curBlendMode != blend) {
        e->Gfx_RenderBatch(false);
        e->curPrimType = primType;
        if (e->curBlendMode != blend) e->Gfx_SetBlendMode(blend);
        if (e->curTexture != tex) {
            e->d3dDevice->SetTexture(0, tex);
            e->curTexture = tex;
        }
    }
}

void EngineImpl::Gfx_RenderLine(float x1, float y1, float x2, float y2, DWORD color, float z) {
    if (!vertArray) return;
    PrepareBatch(this, PRIM_LINES, nullptr, BLENDMODE_DEFAULT);
    if (!vertArray) return;

    Vertex* v = &vertArray[nPrim * PRIM_LINES];
    v[0].x = x1;
    v[0].y = y1;
    v[1].x = x2;
    v[1].y = y2;
    v[0].z = v[1].z = z;
    v[0].col = v[1].col = color;
    v[0].tx = v[0].ty = v[1].tx = v[1].ty = 0.0f;
    nPrim++;
}

void EngineImpl::Gfx_RenderTriangle(const Triangle* triple) {
    if (!vertArray || !triple) return;
    PrepareBatch(this, PRIM_TRIANGLES, triple->tex, triple->blend);
    if (!vertArray) return;
    memcpy(&vertArray[nPrim * PRIM_TRIANGLES], triple->v, sizeof(Vertex) * PRIM_TRIANGLES);
    nPrim++;
}

void EngineImpl::Gfx_RenderQuad(const Quad* quad) {
    if (!vertArray || !quad) return;
    PrepareBatch(this, PRIM_QUADS, quad->tex, quad->blend);
    if (!vertArray) return;
    memcpy(&vertArray[nPrim * PRIM_QUADS], quad->v, sizeof(Vertex) * PRIM_QUADS);
    nPrim++;
}

Vertex* EngineImpl::Gfx_BeginBatch(int prim_type, TextureHandle tex, int blend, int* max_prim) {
    // Only the three primitive kinds exist: any other type would divide by zero or draw nothing.
    if (!vertArray || !ValidPrimType(prim_type)) return nullptr;

    Gfx_RenderBatch(false);
    curPrimType = prim_type;
    if (curBlendMode != blend) Gfx_SetBlendMode(blend);
    if (curTexture != tex) {
        d3dDevice->SetTexture(0, tex);
        curTexture = tex;
    }
    if (max_prim) *max_prim = BatchLimit(prim_type);
    return vertArray;
}

void EngineImpl::Gfx_EndBatch(int nprim) {
    if (!vertArray) return;
    // A count beyond the buffer would draw past its end.
    if (nprim < 0) nprim = 0;
    if (nprim > BatchLimit(curPrimType)) nprim = BatchLimit(curPrimType);
    nPrim = nprim;
}

void EngineImpl::Gfx_SetClipping(int x, int y, int w, int h) {
    if (!d3dDevice) return;

    int scrWidth, scrHeight;
    if (!curTarget) {
        scrWidth = System_GetStateInt(STATE_SCREEN_WIDTH);
        scrHeight = System_GetStateInt(STATE_SCREEN_HEIGHT);
    } else {
        scrWidth = Texture_GetWidth(curTarget->texture, false);
        scrHeight = Texture_GetHeight(curTarget->texture, false);
    }

    D3DVIEWPORT9 vp;
    if (!w) {
        x = 0;
        y = 0;
        w = scrWidth;
        h = scrHeight;
    } else {
        if (x < 0) {
            w += x;
            x = 0;
        }
        if (y < 0) {
            h += y;
            y = 0;
        }
        if (x + w > scrWidth) w = scrWidth - x;
        if (y + h > scrHeight) h = scrHeight - y;
    }

    Gfx_RenderBatch(false);

    // A rectangle wholly outside the target leaves nothing to draw into: the device would refuse
    // it as a viewport, so the engine draws nothing until the next clip or target change.
    if (w <= 0 || h <= 0) {
        gfxClipEmpty = true;
        return;
    }
    gfxClipEmpty = false;

    vp.X = x;
    vp.Y = y;
    vp.Width = w;
    vp.Height = h;
    vp.MinZ = 0.0f;
    vp.MaxZ = 1.0f;
    d3dDevice->SetViewport(&vp);

    D3DXMATRIX scale, shift, ortho, tmp;
    D3DXMatrixScaling(&scale, 1.0f, -1.0f, 1.0f);
    D3DXMatrixTranslation(&shift, -0.5f, 0.5f, 0.0f);
    D3DXMatrixMultiply(&tmp, &scale, &shift);
    D3DXMatrixOrthoOffCenterLH(&ortho, static_cast<float>(x), static_cast<float>(x + w),
                               -static_cast<float>(y + h), -static_cast<float>(y), 0.0f, 1.0f);
    D3DXMatrixMultiply(&tmp, &tmp, &ortho);
    projMatrix = tmp;
    d3dDevice->SetTransform(D3DTS_PROJECTION, &projMatrix);
}

void EngineImpl::Gfx_SetTransform(float x, float y, float dx, float dy, float rot, float hscale, float vscale) {
    D3DXMATRIX view;
    if (vscale == 0.0f) {
        D3DXMatrixIdentity(&view);
    } else {
        D3DXMATRIX tmp;
        D3DXMatrixTranslation(&view, -x, -y, 0.0f);
        D3DXMatrixScaling(&tmp, hscale, vscale, 1.0f);
        D3DXMatrixMultiply(&view, &view, &tmp);
        D3DXMatrixRotationZ(&tmp, -rot);
        D3DXMatrixMultiply(&view, &view, &tmp);
        D3DXMatrixTranslation(&tmp, x + dx, y + dy, 0.0f);
        D3DXMatrixMultiply(&view, &view, &tmp);
    }
    viewMatrix = view;

    Gfx_RenderBatch(false);
    if (d3dDevice) d3dDevice->SetTransform(D3DTS_VIEW, &viewMatrix);
}

void EngineImpl::Gfx_RenderRect(float x, float y, float width, float height, DWORD color) {
    Quad q;
    memset(&q, 0, sizeof(q));
    q.v[0].x = x;
    q.v[0].y = y;
    q.v[1].x = x + width;
    q.v[1].y = y;
    q.v[2].x = x + width;
    q.v[2].y = y + height;
    q.v[3].x = x;
    q.v[3].y = y + height;
    for (int i = 0; i < 4; i++) {
        q.v[i].z = 0.0f;
        q.v[i].col = color;
    }
    q.tex = nullptr;
    q.blend = BLENDMODE_DEFAULT;
    Gfx_RenderQuad(&q);
}

IDirect3DDevice9* EngineImpl::Gfx_GetDevice() { return d3dDevice; }
