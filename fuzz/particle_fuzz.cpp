// Particle system descriptions: read from a file, then the system fired, moved and drawn.
#include "engine/helpers/particle_system.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Engine* engine = fwfuzz::GetEngine();
    static const std::string name = fwfuzz::InputName("particle") + ".psi";
    if (!fwfuzz::WriteInput(name, data, size)) return 0;
    {
        Sprite sprite(0, 0, 0, 8, 8);
        ParticleSystem ps(name.c_str(), &sprite);
        ps.StartAt(160, 120);
        bool scene = engine->Gfx_BeginScene();
        for (int i = 0; i < 30; i++) {
            ps.Update(1.0f / 60.0f);
            if (i == 10) ps.MoveTo(100, 50, true);
            if (scene) ps.Render();
        }
        if (scene) engine->Gfx_EndScene();
        ps.GetParticlesAlive();
        ParticleSystem copy(ps);
        copy.Update(0.5f);
    }
    fwfuzz::ForgetLog();
    return 0;
}
