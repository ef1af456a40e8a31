// Textures from image files, empty and locked textures, and render targets.
#include <cstring>

#include "engine/engine_impl.h"
#include "platform/d3dx9/d3dx9.h"

namespace {

TextureNode* FindNode(TextureNode* list, TextureHandle tex) {
    for (; list; list = list->next)
        if (list->texture == tex) return list;
    return nullptr;
}

// Unlinks the first node holding tex; true when there was one.
bool Unlink(TextureNode** list, TextureHandle tex) {
    for (TextureNode** link = list; *link; link = &(*link)->next) {
        if ((*link)->texture == tex) {
            TextureNode* node = *link;
            *link = node->next;
            delete node;
            return true;
        }
    }
    return false;
}

// A texture handle the engine made and still holds: loaded, created or a render target's.
bool KnownTexture(const EngineImpl* e, TextureHandle tex) {
    if (!tex) return false;
    if (FindNode(e->textures, tex) || FindNode(e->gfxCreatedTextures, tex)) return true;
    for (const RenderTarget* t = e->targets; t; t = t->next)
        if (t->texture == tex) return true;
    return false;
}

// The size of a texture of this engine: as its image file had it (original) or as the device
// holds it; 0 x 0 for an unknown texture.
void TextureSize(EngineImpl* e, TextureHandle tex, bool original, int& width, int& height) {
    width = height = 0;
    if (!tex) return;
    if (original) {
        if (TextureNode* node = FindNode(e->textures, tex)) {
            width = node->width;
            height = node->height;
        }
        return;
    }
    if (!KnownTexture(e, tex)) return;
    D3DSURFACE_DESC desc;
    if (FAILED(tex->GetLevelDesc(0, &desc))) return;
    width = static_cast<int>(desc.Width);
    height = static_cast<int>(desc.Height);
}

}  // namespace

TextureHandle EngineImpl::Texture_Load(const char* filename, DWORD size, bool bMipmap) {
    if (!filename) {
        System_PostError("Can't create texture");
        return nullptr;
    }

    const void* data;
    DWORD dataSize;
    void* loaded = nullptr;
    if (size) {
        data = filename;
        dataSize = size;
    } else {
        loaded = Resource_Load(filename, &dataSize);
        if (!loaded) return nullptr;
        data = loaded;
    }

    D3DFORMAT formats[2] = {D3DFMT_A8R8G8B8, D3DFMT_UNKNOWN};
    if (dataSize >= 4 && memcmp(data, "DDS ", 4) == 0) {
        formats[0] = D3DFMT_UNKNOWN;
        formats[1] = D3DFMT_A8R8G8B8;
    }

    IDirect3DTexture9* tex = nullptr;
    D3DXIMAGE_INFO info;
    memset(&info, 0, sizeof(info));
    bool made = false;
    if (d3dDevice) {
        for (int i = 0; i < 2 && !made; i++) {
            tex = nullptr;
            made = SUCCEEDED(D3DXCreateTextureFromFileInMemoryEx(
                       d3dDevice, data, dataSize, D3DX_DEFAULT, D3DX_DEFAULT, bMipmap ? 0 : 1, 0, formats[i],
                       D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_DEFAULT, 0, &info, nullptr, &tex)) &&
                   tex;
        }
    }

    if (loaded) Resource_Free(loaded);

    if (!made) {
        System_PostLoadError("Can't create texture", filename, size);
        return nullptr;
    }

    TextureNode* node = new TextureNode;
    node->texture = tex;
    node->width = static_cast<int>(info.Width);
    node->height = static_cast<int>(info.Height);
    node->next = textures;
    textures = node;
    return tex;
}

TextureHandle EngineImpl::Texture_Create(int width, int height) {
    IDirect3DTexture9* tex = nullptr;
    if (!d3dDevice || width <= 0 || height <= 0 ||
        FAILED(D3DXCreateTexture(d3dDevice, width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex)) || !tex) {
        System_PostError("Can't create texture");
        return nullptr;
    }
    // Kept apart from the loaded textures: no image size, not freed at shutdown.
    TextureNode* node = new TextureNode;
    node->texture = tex;
    node->width = 0;
    node->height = 0;
    node->next = gfxCreatedTextures;
    gfxCreatedTextures = node;
    return tex;
}

void EngineImpl::Gfx_ForgetCreatedTextures() {
    while (TextureNode* node = gfxCreatedTextures) {
        gfxCreatedTextures = node->next;
        delete node;
    }
}

void EngineImpl::Texture_Free(TextureHandle tex) {
    if (!tex) return;
    // Only a handle the engine holds is released, so a second free (or a render target's
    // texture) does nothing instead of releasing someone else's reference.
    if (!Unlink(&textures, tex) && !Unlink(&gfxCreatedTextures, tex)) return;

    if (tex == curTexture) {
        // Primitives batched with it are drawn first; then no stale handle stays in the batch
        // state, so a new texture at the same address is bound again.
        Gfx_RenderBatch(false);
        if (d3dDevice) d3dDevice->SetTexture(0, nullptr);
        curTexture = nullptr;
    }
    tex->Release();
}

int EngineImpl::Texture_GetWidth(TextureHandle tex, bool bOriginal) {
    int width, height;
    TextureSize(this, tex, bOriginal, width, height);
    return width;
}

int EngineImpl::Texture_GetHeight(TextureHandle tex, bool bOriginal) {
    int width, height;
    TextureSize(this, tex, bOriginal, width, height);
    return height;
}

DWORD* EngineImpl::Texture_Lock(TextureHandle tex, bool bReadOnly, int left, int top, int width, int height) {
    if (!KnownTexture(this, tex)) return nullptr;

    D3DSURFACE_DESC desc;
    if (FAILED(tex->GetLevelDesc(0, &desc))) return nullptr;
    if (desc.Format != D3DFMT_A8R8G8B8 && desc.Format != D3DFMT_X8R8G8B8) return nullptr;

    RECT rect;
    RECT* prect = nullptr;
    if (width && height) {
        // A rectangle reaching outside level 0 would hand out memory beyond the texture.
        if (left < 0 || top < 0 || width < 0 || height < 0 ||
            static_cast<long long>(left) + width > static_cast<long long>(desc.Width) ||
            static_cast<long long>(top) + height > static_cast<long long>(desc.Height)) {
            System_PostError("Can't lock texture");
            return nullptr;
        }
        rect.left = left;
        rect.top = top;
        rect.right = left + width;
        rect.bottom = top + height;
        prect = &rect;
    }

    D3DLOCKED_RECT locked;
    memset(&locked, 0, sizeof(locked));
    if (FAILED(tex->LockRect(0, &locked, prect, bReadOnly ? D3DLOCK_READONLY : 0)) || !locked.pBits) {
        System_PostError("Can't lock texture");
        return nullptr;
    }
    return static_cast<DWORD*>(locked.pBits);
}

void EngineImpl::Texture_Unlock(TextureHandle tex) {
    if (!KnownTexture(this, tex)) return;
    tex->UnlockRect(0);
}

TargetHandle EngineImpl::Target_Create(int width, int height, bool zbuffer) {
    if (!d3dDevice || width <= 0 || height <= 0) {
        System_PostError("Can't create render target texture");
        return nullptr;
    }

    RenderTarget* t = new RenderTarget;
    t->width = 0;
    t->height = 0;
    t->texture = nullptr;
    t->depth = nullptr;
    t->next = nullptr;
    t->zbuffer = zbuffer;

    if (FAILED(D3DXCreateTexture(d3dDevice, width, height, 1, D3DUSAGE_RENDERTARGET, d3dpp->BackBufferFormat,
                                 D3DPOOL_DEFAULT, &t->texture)) ||
        !t->texture) {
        System_PostError("Can't create render target texture");
        delete t;
        return nullptr;
    }

    D3DSURFACE_DESC desc;
    memset(&desc, 0, sizeof(desc));
    t->texture->GetLevelDesc(0, &desc);
    t->width = static_cast<int>(desc.Width);
    t->height = static_cast<int>(desc.Height);

    if (zbuffer && (FAILED(d3dDevice->CreateDepthStencilSurface(width, height, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0,
                                                                 FALSE, &t->depth, nullptr)) ||
                    !t->depth)) {
        t->texture->Release();
        System_PostError("Can't create render target depth buffer");
        delete t;
        return nullptr;
    }

    t->next = targets;
    targets = t;
    return t;
}

void EngineImpl::Target_Free(TargetHandle target) {
    for (RenderTarget** link = &targets; *link; link = &(*link)->next) {
        if (*link != target) continue;
        *link = target->next;

        if (target == curTarget || (target->texture && target->texture == curTexture)) Gfx_RenderBatch(false);
        if (target->texture && target->texture == curTexture) {
            d3dDevice->SetTexture(0, nullptr);
            curTexture = nullptr;
        }
        if (target == curTarget) {
            // Scenes go on into the screen rather than into a freed record.
            d3dDevice->SetRenderTarget(0, screenSurf);
            d3dDevice->SetDepthStencilSurface(screenDepth);
            Gfx_SetSceneView(nullptr);
        }

        if (target->texture) target->texture->Release();
        if (target->depth) target->depth->Release();
        delete target;
        return;
    }
}

TextureHandle EngineImpl::Target_GetTexture(TargetHandle target) {
    if (!target) return nullptr;
    for (RenderTarget* t = targets; t; t = t->next)
        if (t == target) return t->texture;
    return nullptr;
}
