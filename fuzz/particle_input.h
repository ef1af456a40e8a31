// Particle system descriptions: read from a file, then the system fired, moved and drawn.
// The body of the fuzz target, shared with the replay of its inputs in tests/regress.
#pragma once

#include "engine/helpers/particle_system.h"
#include "fuzz/fuzz_support.h"

namespace fwfuzz {

inline int ParticleInput(Engine* engine, const uint8_t* data, size_t size) {
    static const std::string name = InputName("particle") + ".psi";
    if (!WriteInput(name, data, size)) return 0;
    {
        Sprite sprite(0, 0, 0, 8, 8);
        ParticleSystem ps(name.c_str(), &sprite);
        ps.StartAt(160, 120);
        bool scene = engine->Gfx_BeginScene();
        for (int i = 0; i < 30; i++) {
            ps.Update(1.0f / 60.0f);
            if (i == 10) ps.MoveTo(100, 50, true);
            // Huge particles are full-screen quads: drawing every frame only slows the search.
            if (scene && i % 10 == 9) ps.Render();
        }
        if (scene) engine->Gfx_EndScene();
        ps.GetParticlesAlive();
        ParticleSystem copy(ps);
        copy.Update(0.5f);
    }
    ForgetLog();
    return 0;
}

}  // namespace fwfuzz
