// "Particle" and "Distortion" blocks of a resource script build the helper objects.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/helpers/distortion_mesh.h"
#include "engine/helpers/particle_system.h"
#include "engine/helpers/resource_manager.h"
#include "platform/backend/headless.h"
#include "tests/support/helpers_golden.h"

TEST(ParticleResources, ScriptBlocksBuildSystemsAndMeshes) {
    platform::headless::SetDebugEcho(false);
    Engine* engine = CreateEngine(ENGINE_VERSION);
    std::string base = "helpers_psres_" + helpers_test::TestName();

    unsigned char rec[PARTICLE_INFO_FILE_SIZE] = {};
    int rate = 25;
    float lifetime = -1.0f;
    std::memcpy(rec + 4, &rate, 4);  // little-endian host
    std::memcpy(rec + 8, &lifetime, 4);
    std::string psi = helpers_test::WriteAppFile(base + ".psi", std::string(reinterpret_cast<char*>(rec), sizeof(rec)));
    std::string script = helpers_test::WriteAppFile(
        base + ".res",
        "Sprite \"dot\" { rect = 0, 0, 4, 4 }\n"
        "Particle \"sparks\" { filename = \"" + psi + "\" sprite = \"dot\" resgroup = 3 }\n"
        "Particle \"lonely\" : \"sparks\" { sprite = \"undeclared\" }\n"
        "Distortion \"water\" { rect = 0, 0, 30, 20 mesh = 4, 3 color = \"80FF0000\" zorder = 0.25 blendmode = COLORADD }\n"
        "Distortion \"flat\" : \"water\" { mesh = 1, 0 }\n");
    if (!helpers_test::ResourceLayerReads(engine, script)) {
        engine->System_Release();
        platform::headless::SetDebugEcho(true);
        FAIL() << "Resource_Load cannot read " << script;
    }
    {
        ResourceManager rm(script.c_str());
        ParticleSystem* ps = rm.GetParticleSystem("sparks");
        ASSERT_NE(ps, nullptr);
        EXPECT_EQ(ps->info.emissionRate, 25);
        EXPECT_EQ(ps->info.sprite, rm.GetSprite("dot"));
        EXPECT_EQ(rm.GetParticleSystem("sparks"), ps);
        ParticleSystem* lonely = rm.GetParticleSystem("lonely");
        ASSERT_NE(lonely, nullptr);
        EXPECT_EQ(lonely->info.sprite, nullptr);
        lonely->StartAt(5, 5);
        lonely->Update(1.0f);
        lonely->Render();  // no sprite: nothing drawn

        DistortionMesh* mesh = rm.GetDistortionMesh("water");
        ASSERT_NE(mesh, nullptr);
        EXPECT_EQ(mesh->GetCols(), 4);
        EXPECT_EQ(mesh->GetRows(), 3);
        EXPECT_EQ(mesh->cellWidth, 10.0f);
        EXPECT_EQ(mesh->GetColor(3, 2), 0x80FF0000u);
        EXPECT_EQ(mesh->GetZ(0, 0), 0.25f);
        EXPECT_EQ(mesh->GetBlendMode() & BLENDMODE_COLORADD, BLENDMODE_COLORADD);
        float dx, dy;
        mesh->GetDisplacement(3, 2, &dx, &dy, DISPLACE_FROM_ORIGIN);
        EXPECT_EQ(dx, 30.0f);
        EXPECT_EQ(dy, 20.0f);
        DistortionMesh* flat = rm.GetDistortionMesh("flat");
        ASSERT_NE(flat, nullptr);
        flat->Render(0, 0);

        rm.FreeGroup(3);
        EXPECT_NE(rm.GetParticleSystem("sparks"), nullptr);  // built again on demand
    }
    engine->System_Release();
    platform::headless::SetDebugEcho(true);
}
