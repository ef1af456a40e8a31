#include <cstring>

#include "engine/engine_impl.h"

EngineImpl* pEngine = nullptr;
int nRef = 0;

Engine* CreateEngine(int ver) {
    if (ver != ENGINE_VERSION) return nullptr;
    return EngineImpl::Acquire();
}

EngineImpl* EngineImpl::Acquire() {
    if (!pEngine) pEngine = new EngineImpl();
    nRef++;
    return pEngine;
}

void EngineImpl::System_Release() {
    nRef--;
    if (nRef) return;
    if (pEngine->window) pEngine->System_Shutdown();
    Resource_RemoveAllPacks();
    // A file search left open without a window to shut down would leak its handle.
    if (pEngine->search) {
        FindClose(pEngine->search);
        pEngine->search = nullptr;
    }
    // Textures of Texture_Create belong to their owners, who outlive the engine's records of them.
    pEngine->Gfx_ForgetCreatedTextures();
    pEngine->Input_FreeSpareEvents();
    delete pEngine;
    pEngine = nullptr;
}

EngineImpl::EngineImpl() {
    instance = GetModuleHandleA(nullptr);
    window = nullptr;
    active = false;
    errorText[0] = 0;
    iniString[0] = 0;

    frameFunc = nullptr;
    renderFunc = nullptr;
    focusLostFunc = nullptr;
    focusGainFunc = nullptr;
    gfxRestoreFunc = nullptr;
    exitFunc = nullptr;

    iconName = nullptr;
    strcpy(winTitle, "ZEV");
    screenWidth = 800;
    screenHeight = 600;
    screenBPP = 32;
    windowed = false;
    zBuffer = false;
    textureFilter = true;
    iniFile[0] = 0;
    logFile[0] = 0;
    useSound = true;
    sampleRate = 44100;
    fxVolume = 100;
    musVolume = 100;
    streamVolume = 100;
    fps = FPS_UNLIMITED;
    hideMouse = true;
    dontSuspend = false;
    parentWindow = nullptr;

    powerStatus = POWER_STATUS_UNKNOWN;
    krnl32 = nullptr;
    getSystemPowerStatus = nullptr;

    d3dpp = nullptr;
    memset(&d3dppW, 0, sizeof(d3dppW));
    memset(&rectW, 0, sizeof(rectW));
    styleW = 0;
    memset(&d3dppFS, 0, sizeof(d3dppFS));
    memset(&rectFS, 0, sizeof(rectFS));
    styleFS = 0;

    d3d = nullptr;
    d3dDevice = nullptr;
    vertexBuffer = nullptr;
    indexBuffer = nullptr;
    screenSurf = nullptr;
    screenDepth = nullptr;
    targets = nullptr;
    curTarget = nullptr;
    memset(&viewMatrix, 0, sizeof(viewMatrix));
    memset(&projMatrix, 0, sizeof(projMatrix));
    textures = nullptr;
    vertArray = nullptr;
    nPrim = 0;
    curPrimType = PRIM_QUADS;
    curBlendMode = BLENDMODE_DEFAULT;
    curTexture = nullptr;

    soundLib = nullptr;
    silent = false;
    soundStreams = nullptr;

    lastKey = 0;
    lastChar = 0;
    wheel = 0;
    mouseX = 0.0f;
    mouseY = 0.0f;
    mouseOver = false;
    captured = false;
    memset(keyz, 0, sizeof(keyz));
    queue = nullptr;

    pathBuffer[0] = 0;
    packs = nullptr;
    search = nullptr;
    memset(&searchData, 0, sizeof(searchData));

    time = 0.0f;
    deltaTime = 0.0f;
    fixedDelta = 0;
    fpsShown = 0;
    t0 = t0fps = dt = 0;
    cfps = 0;

    // Application folder: the program's path cut after its last backslash; the search
    // stops at the second character.
    GetModuleFileNameA(instance, appPath, sizeof(appPath));
    int i;
    for (i = static_cast<int>(strlen(appPath)) - 1; i > 0; i--)
        if (appPath[i] == '\\') break;
    appPath[i + 1] = 0;
}
