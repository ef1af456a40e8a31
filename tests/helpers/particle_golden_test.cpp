// Seeded particle systems drawn on the headless device, compared with a golden picture.
#include <gtest/gtest.h>

#include "engine/helpers/particle_system.h"
#include "platform/backend/headless.h"
#include "tests/support/helpers_golden.h"

TEST(ParticleGolden, SeededSystemsAfterFixedUpdates) {
    platform::headless::Reset();
    d3d9test::ResetControls();
    platform::headless::SetDebugEcho(false);
    Engine* engine = CreateEngine(ENGINE_VERSION);
    std::string why;
    if (!helpers_test::StartGraphics(engine, 128, 96, &why)) {
        engine->System_Release();
        platform::headless::SetDebugEcho(true);
        FAIL() << "graphics not available: " << why;
    }

    // A soft 4 by 4 dot: opaque centre, half-transparent edges, clear corners.
    TextureHandle tex = engine->Texture_Create(4, 4);
    ASSERT_NE(tex, nullptr);
    DWORD* px = engine->Texture_Lock(tex, false);
    ASSERT_NE(px, nullptr);
    int tw = engine->Texture_GetWidth(tex);
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 4; x++) {
            bool edgeX = x == 0 || x == 3, edgeY = y == 0 || y == 3;
            px[y * tw + x] = edgeX && edgeY ? 0 : edgeX || edgeY ? 0x80FFFFFF : 0xFFFFFFFF;
        }
    engine->Texture_Unlock(tex);
    Sprite dot(tex, 0, 0, 4, 4);
    dot.SetHotSpot(2, 2);

    ParticleSystemInfo fire;
    fire.sprite = &dot;
    fire.emissionRate = 60;
    fire.systemLifetime = -1;
    fire.lifespanMin = 0.6f;
    fire.lifespanMax = 1.2f;
    fire.direction = 0;
    fire.spread = 1.0f;
    fire.speedMin = 30;
    fire.speedMax = 60;
    fire.gravityMin = 20;
    fire.gravityMax = 40;
    fire.sizeBirth = 1.5f;
    fire.sizeDeath = 0.5f;
    fire.sizeVariation = 0.2f;
    fire.spinBirth = 0;
    fire.spinDeath = 2;
    fire.colorBirth = Color(1, 1, 0.2f, 1);
    fire.colorDeath = Color(1, 0, 0, 0);
    fire.colorVariation = 0.2f;
    fire.alphaVariation = 0.1f;

    // Keeps the sprite's blue and takes only alpha from the particles; swirls about the emitter.
    ParticleSystemInfo swirl = fire;
    swirl.colorBirth = Color(-1, 0, 0, 1);
    swirl.colorDeath = Color(0, 0, 0, 0.2f);
    swirl.direction = 1.5707964f;
    swirl.spread = 6.28f;
    swirl.speedMin = swirl.speedMax = 10;
    swirl.gravityMin = swirl.gravityMax = 0;
    swirl.radialAccelerationMin = -30;
    swirl.radialAccelerationMax = -20;
    swirl.tangentialAccelerationMin = 40;
    swirl.tangentialAccelerationMax = 60;
    swirl.lifespanMin = swirl.lifespanMax = 1.5f;

    engine->Random_Seed(7);
    ParticleSystem a(&fire);
    a.StartAt(32, 88);
    ParticleSystem b(&swirl);
    b.StartAt(96, 40);
    ParticleSystem c(&fire);
    c.SetScale(0.5f);
    c.Transpose(64, 40);  // drawn at half size, offset
    c.StartAt(0, 88);
    for (int i = 0; i < 60; i++) {
        a.Update(1.0f / 60);
        b.Update(1.0f / 60);
        c.Update(1.0f / 60);
        if (i == 30) a.MoveTo(48, 88);  // emits along the way from 32 to 48
    }

    ASSERT_TRUE(engine->Gfx_BeginScene());
    engine->Gfx_Clear(0xFF101018);
    a.Render();
    dot.SetColor(0xFF4080FF);
    dot.SetBlendMode(BLENDMODE_COLORMUL | BLENDMODE_ALPHABLEND);
    b.Render();
    dot.SetColor(0xFFFFFFFF);
    dot.SetBlendMode(BLENDMODE_COLORADD | BLENDMODE_ALPHABLEND);
    c.Render();
    engine->Gfx_EndScene();
    EXPECT_EQ(dot.GetColor(0), 0xFFFFFFFFu);
    EXPECT_TRUE(helpers_test::MatchesGolden(helpers_test::Capture(engine), "helpers_particles"));

    engine->Texture_Free(tex);
    engine->System_Shutdown();
    engine->System_Release();
    platform::headless::SetDebugEcho(true);
}

TEST(ParticleGolden, HugeValuesDrawSafely) {
    platform::headless::Reset();
    d3d9test::ResetControls();
    platform::headless::SetDebugEcho(false);
    Engine* engine = CreateEngine(ENGINE_VERSION);
    std::string why;
    if (!helpers_test::StartGraphics(engine, 32, 32, &why)) {
        engine->System_Release();
        platform::headless::SetDebugEcho(true);
        FAIL() << "graphics not available: " << why;
    }
    Sprite dot(0, 0, 0, 4, 4);
    ParticleSystemInfo info;
    info.sprite = &dot;
    info.emissionRate = 1000;
    info.systemLifetime = -1;
    info.lifespanMin = info.lifespanMax = 10;
    info.speedMin = info.speedMax = 3e38f;
    info.sizeBirth = info.sizeDeath = 1e30f;
    info.spinBirth = info.spinDeath = 1e20f;
    info.colorBirth = info.colorDeath = Color(1, 1, 1, 1);
    ParticleSystem ps(&info);
    ps.StartAt(16, 16);
    ASSERT_TRUE(engine->Gfx_BeginScene());
    for (int i = 0; i < 5; i++) {
        ps.Update(0.05f);
        ps.Render();
    }
    engine->Gfx_EndScene();
    EXPECT_LE(ps.GetParticlesAlive(), MAX_PARTICLES);
    engine->System_Shutdown();
    engine->System_Release();
    platform::headless::SetDebugEcho(true);
}
