// Screenshots: the screen's back buffer saved as a BMP file.
#include <cstdio>
#include <cstring>

#include "engine/engine_impl.h"
#include "platform/d3dx9/d3dx9.h"

namespace {

// Highest number tried when the counted name is taken.
const int kLastShotNumber = 99999;

// True when the application folder holds an entry of this name, a file or a folder; the search
// is left closed.
bool NameTaken(EngineImpl* e, const char* shortName) {
    bool taken = e->Resource_FindFile(shortName) != nullptr;
    while (e->Resource_FindFile(nullptr)) {
    }
    if (taken) return true;
    taken = e->Resource_FindFolder(shortName) != nullptr;
    while (e->Resource_FindFolder(nullptr)) {
    }
    return taken;
}

}  // namespace

void EngineImpl::System_Screenshot(const char* filename) {
    char name[MAX_PATH];

    if (!filename) {
        int count = 0;
        for (char* match = Resource_FindFile("shot???.bmp"); match; match = Resource_FindFile(nullptr)) count++;

        // The count is the next number unless that name is taken (a gap in the series, four-digit
        // numbers the wildcard does not see, or a folder of that name): then the next free number
        // follows, so an existing shot is never replaced and the shot is not lost.
        char shortName[32];
        for (int number = count;; number++) {
            snprintf(shortName, sizeof(shortName), "shot%03d.bmp", number);
            if (!NameTaken(this, shortName)) break;
            if (number >= kLastShotNumber) return;  // every name is taken: nothing is written
        }
        const char* full = Resource_FullPath(shortName);
        if (!full[0]) return;
        snprintf(name, sizeof(name), "%s", full);
        filename = name;
    }

    if (!d3dDevice) return;

    IDirect3DSurface9* surface = nullptr;
    if (FAILED(d3dDevice->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface)) || !surface) return;
    D3DXSaveSurfaceToFileA(filename, D3DXIFF_BMP, surface, nullptr, nullptr);
    surface->Release();
}
