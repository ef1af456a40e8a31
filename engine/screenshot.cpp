// Screenshots: the screen's back buffer saved as a BMP file.
#include <cstdio>
#include <cstring>

#include "engine/engine_impl.h"
#include "platform/d3dx9/d3dx9.h"

namespace {

// Highest number tried when the counted name is taken.
const int kLastShotNumber = 99999;

}  // namespace

void EngineImpl::System_Screenshot(const char* filename) {
    char name[MAX_PATH];

    if (!filename) {
        int count = 0;
        for (char* match = Resource_FindFile("shot???.bmp"); match; match = Resource_FindFile(nullptr)) count++;

        // The count is the next number unless that name is taken (a gap in the series, or
        // four-digit numbers the wildcard does not see): then the next free number follows,
        // so an existing shot is never replaced.
        int number = count;
        for (;;) {
            char shortName[32];
            snprintf(shortName, sizeof(shortName), "shot%03d.bmp", number);
            char* found = Resource_FindFile(shortName);
            if (!found || number >= kLastShotNumber) {
                if (found) {
                    while (Resource_FindFile(nullptr)) {
                    }
                    return;  // every name up to the last is taken: nothing is written
                }
                const char* full = Resource_FullPath(shortName);
                if (!full) return;
                snprintf(name, sizeof(name), "%s", full);
                break;
            }
            while (Resource_FindFile(nullptr)) {
            }
            number++;
        }
        filename = name;
    }

    if (!d3dDevice) return;

    IDirect3DSurface9* surface = nullptr;
    if (FAILED(d3dDevice->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface)) || !surface) return;
    D3DXSaveSurfaceToFileA(filename, D3DXIFF_BMP, surface, nullptr, nullptr);
    surface->Release();
}
