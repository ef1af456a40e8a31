#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "engine/engine_impl.h"
#include "engine/helpers/particle_system.h"
#include "platform/backend/headless.h"
#include "tests/support/helpers_golden.h"

namespace {

// The 128-byte little-endian description record of info (sprite slot filled with junk).
std::string Encode(const ParticleSystemInfo& in) {
    unsigned char b[PARTICLE_INFO_FILE_SIZE];
    std::memset(b, 0xAB, sizeof(b));
    auto put = [&](int off, uint32_t v) {
        for (int i = 0; i < 4; i++) b[off + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    auto putf = [&](int off, float f) {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        put(off, v);
    };
    put(4, static_cast<uint32_t>(in.emissionRate));
    putf(8, in.systemLifetime);
    putf(12, in.lifespanMin);
    putf(16, in.lifespanMax);
    putf(20, in.direction);
    putf(24, in.spread);
    b[28] = in.relativeDirection ? 7 : 0;
    const float rest[] = {in.speedMin,
                          in.speedMax,
                          in.gravityMin,
                          in.gravityMax,
                          in.radialAccelerationMin,
                          in.radialAccelerationMax,
                          in.tangentialAccelerationMin,
                          in.tangentialAccelerationMax,
                          in.sizeBirth,
                          in.sizeDeath,
                          in.sizeVariation,
                          in.spinBirth,
                          in.spinDeath,
                          in.spinVariation,
                          in.colorBirth.r,
                          in.colorBirth.g,
                          in.colorBirth.b,
                          in.colorBirth.a,
                          in.colorDeath.r,
                          in.colorDeath.g,
                          in.colorDeath.b,
                          in.colorDeath.a,
                          in.colorVariation,
                          in.alphaVariation};
    for (int i = 0; i < 24; i++) putf(32 + 4 * i, rest[i]);
    return std::string(reinterpret_cast<char*>(b), sizeof(b));
}

// A still, long-lived system: particles stay near the emitter.
ParticleSystemInfo Still(int rate) {
    ParticleSystemInfo i;
    i.emissionRate = rate;
    i.systemLifetime = -1;
    i.lifespanMin = i.lifespanMax = 100;
    i.sizeBirth = i.sizeDeath = 1;
    i.colorBirth = i.colorDeath = Color(1, 1, 1, 1);
    return i;
}

class ParticleTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine = CreateEngine(ENGINE_VERSION);
        platform::headless::SetDebugEcho(false);
        platform::headless::ClearDebugOutput();
        engine->Random_Seed(1234);
    }
    void TearDown() override {
        platform::headless::SetDebugEcho(true);
        engine->System_Release();
    }

    std::string Write(const std::string& name, const std::string& bytes) {
        std::string file = helpers_test::WriteAppFile("helpers_ps_" + helpers_test::TestName() + "_" + name + ".psi", bytes);
        if (!helpers_test::ResourceLayerReads(engine, file)) skipped = true;
        return file;
    }

    Engine* engine = nullptr;
    bool skipped = false;
};

#define FAIL_IF_UNREADABLE() \
    if (skipped) FAIL() << "Resource_Load cannot read the test file"

bool Near(const Vector& v, float x, float y, float r) { return std::fabs(v.x - x) <= r && std::fabs(v.y - y) <= r; }

}  // namespace

TEST_F(ParticleTest, DescriptionFileFields) {
    ParticleSystemInfo in;
    in.emissionRate = -7;
    in.systemLifetime = 2.5f;
    in.lifespanMin = 0.5f;
    in.lifespanMax = 1.5f;
    in.direction = 0.25f;
    in.spread = 3.0f;
    in.relativeDirection = true;
    in.speedMin = 10;
    in.speedMax = 20;
    in.gravityMin = -1;
    in.gravityMax = 1;
    in.radialAccelerationMin = 2;
    in.radialAccelerationMax = 3;
    in.tangentialAccelerationMin = 4;
    in.tangentialAccelerationMax = 5;
    in.sizeBirth = 6;
    in.sizeDeath = 7;
    in.sizeVariation = 0.5f;
    in.spinBirth = 8;
    in.spinDeath = 9;
    in.spinVariation = 0.25f;
    in.colorBirth = Color(0.1f, 0.2f, 0.3f, 0.4f);
    in.colorDeath = Color(0.5f, 0.6f, 0.7f, 0.8f);
    in.colorVariation = 0.75f;
    in.alphaVariation = 0.125f;
    std::string exact = Write("exact", Encode(in));
    std::string longer = Write("long", Encode(in) + std::string(300, '\x7F'));
    FAIL_IF_UNREADABLE();

    Sprite spr(0, 0, 0, 4, 4);
    for (const std::string& f : {exact, longer}) {
        ParticleSystem ps(f.c_str(), &spr);
        const ParticleSystemInfo& i = ps.info;
        EXPECT_EQ(i.sprite, &spr);
        EXPECT_EQ(i.emissionRate, -7);
        EXPECT_EQ(i.systemLifetime, 2.5f);
        EXPECT_EQ(i.lifespanMin, 0.5f);
        EXPECT_EQ(i.lifespanMax, 1.5f);
        EXPECT_EQ(i.direction, 0.25f);
        EXPECT_EQ(i.spread, 3.0f);
        EXPECT_TRUE(i.relativeDirection);
        EXPECT_EQ(i.speedMax, 20.0f);
        EXPECT_EQ(i.gravityMin, -1.0f);
        EXPECT_EQ(i.radialAccelerationMax, 3.0f);
        EXPECT_EQ(i.tangentialAccelerationMin, 4.0f);
        EXPECT_EQ(i.sizeVariation, 0.5f);
        EXPECT_EQ(i.spinDeath, 9.0f);
        EXPECT_EQ(i.colorBirth.b, 0.3f);
        EXPECT_EQ(i.colorDeath.a, 0.8f);
        EXPECT_EQ(i.colorVariation, 0.75f);
        EXPECT_EQ(i.alphaVariation, 0.125f);
        EXPECT_EQ(ps.age, -2.0f);
        EXPECT_EQ(ps.scale, 1.0f);
        EXPECT_EQ(ps.GetParticlesAlive(), 0);
        EXPECT_FALSE(ps.trackBounds);
        EXPECT_TRUE(ps.boundingBox.clean);
    }
}

TEST_F(ParticleTest, ShortOrMissingDescriptionGivesAnEmptyStoppedSystem) {
    std::string shortf = Write("short", Encode(Still(1000)).substr(0, 127));
    FAIL_IF_UNREADABLE();
    Sprite spr(0, 0, 0, 4, 4);
    int base = nRef;
    for (const char* f : {shortf.c_str(), "helpers_ps_missing.psi"}) {
        ParticleSystem ps(f, &spr);
        EXPECT_EQ(nRef, base + 1);
        EXPECT_EQ(ps.info.emissionRate, 0);
        ps.Start();
        for (int i = 0; i < 10; i++) ps.Update(0.1f);
        ps.Render();
        EXPECT_EQ(ps.GetParticlesAlive(), 0);
    }
    EXPECT_EQ(nRef, base);
    bool logged = false;
    for (const std::string& l : platform::headless::DebugLines())
        logged |= l == "Particle system " + shortf + " has incorrect format.";
    EXPECT_TRUE(logged);
}

TEST_F(ParticleTest, EmissionCarriesTheFraction) {
    ParticleSystemInfo info = Still(10);
    ParticleSystem ps(&info);
    ps.Start();
    int counts[4];
    for (int i = 0; i < 4; i++) {
        ps.Update(0.125f);
        counts[i] = ps.GetParticlesAlive();
    }
    EXPECT_EQ(counts[0], 1);
    EXPECT_EQ(counts[1], 2);
    EXPECT_EQ(counts[2], 3);
    EXPECT_EQ(counts[3], 5);  // 4 * 1.25
    EXPECT_EQ(ps.emissionResidue, 0.0f);

    ParticleSystem slow(&info);
    slow.Start();
    int firstAt = 0;
    for (int i = 1; i <= 600; i++) {
        slow.Update(1.0f / 60);
        if (!firstAt && slow.GetParticlesAlive() == 1) firstAt = i;
    }
    EXPECT_GE(firstAt, 6);
    EXPECT_LE(firstAt, 7);
    EXPECT_GE(slow.GetParticlesAlive(), 99);
    EXPECT_LE(slow.GetParticlesAlive(), 100);
}

TEST_F(ParticleTest, SystemLifetime) {
    ParticleSystemInfo info = Still(10);
    info.systemLifetime = 0;
    ParticleSystem none(&info);
    none.Start();
    EXPECT_EQ(none.age, 0.0f);
    none.Update(0.125f);
    EXPECT_EQ(none.age, -2.0f);
    EXPECT_EQ(none.GetParticlesAlive(), 0);

    info.systemLifetime = 1;
    ParticleSystem one(&info);
    one.Start();
    for (int i = 0; i < 20; i++) one.Update(0.125f);
    EXPECT_EQ(one.GetParticlesAlive(), 8);  // 7 updates of 1.25; the 8th stops first
    EXPECT_EQ(one.age, -2.0f);

    // Start again restarts the age without touching the live particles.
    one.Start();
    EXPECT_EQ(one.age, 0.0f);
    EXPECT_EQ(one.GetParticlesAlive(), 8);
    info.systemLifetime = -1;
    ParticleSystem endless(&info);
    endless.Start();
    EXPECT_EQ(endless.age, -1.0f);
    for (int i = 0; i < 100; i++) endless.Update(0.125f);
    EXPECT_EQ(endless.age, -1.0f);
    EXPECT_EQ(endless.GetParticlesAlive(), 125);
}

TEST_F(ParticleTest, PoolIsCappedAndExcessIsDropped) {
    ParticleSystemInfo info = Still(100000);
    ParticleSystem ps(&info);
    ps.Start();
    ps.Update(0.10001f);
    EXPECT_EQ(ps.GetParticlesAlive(), MAX_PARTICLES);
    EXPECT_LT(ps.emissionResidue, 1.0f);
    EXPECT_GE(ps.emissionResidue, 0.0f);
    ps.Update(0.1f);
    EXPECT_EQ(ps.GetParticlesAlive(), MAX_PARTICLES);

    // Particles due while the pool is full are lost, not postponed.
    info = Still(10);
    info.lifespanMin = info.lifespanMax = 1.0f;
    ParticleSystem full(&info);
    full.liveCount = MAX_PARTICLES;
    for (int i = 0; i < MAX_PARTICLES; i++) full.particles[i].lifespan = 0.3f;
    full.Start();
    full.Update(0.25f);  // 2.5 due, pool full
    EXPECT_EQ(full.GetParticlesAlive(), MAX_PARTICLES);
    full.Update(0.125f);  // all die; 1.25 + 0.5 due
    EXPECT_EQ(full.GetParticlesAlive(), 1);
}

TEST_F(ParticleTest, ParticlesDieAtTheirLifespan) {
    ParticleSystemInfo info = Still(8);
    info.lifespanMin = info.lifespanMax = 0.5f;
    ParticleSystem ps(&info);
    ps.Start();
    ps.Update(0.125f);
    ps.Stop(false);
    EXPECT_EQ(ps.GetParticlesAlive(), 1);
    for (int i = 0; i < 3; i++) {
        ps.Update(0.125f);
        EXPECT_EQ(ps.GetParticlesAlive(), 1) << i;
    }
    ps.Update(0.125f);  // age reaches 0.5
    EXPECT_EQ(ps.GetParticlesAlive(), 0);
}

TEST_F(ParticleTest, RemovalMovesTheLastParticleAndUpdatesIt) {
    ParticleSystemInfo info = Still(0);
    ParticleSystem ps(&info);
    ps.liveCount = 3;
    for (int i = 0; i < 3; i++) {
        ps.particles[i] = Particle();
        ps.particles[i].lifespan = 10;
        ps.particles[i].position = Vector(static_cast<float>(i), 0);
        ps.particles[i].velocity = Vector(0, 8);
    }
    ps.particles[0].lifespan = 0.1f;
    ps.Update(0.5f);
    ASSERT_EQ(ps.GetParticlesAlive(), 2);
    EXPECT_EQ(ps.particles[0].position.x, 2.0f);  // the last one took slot 0...
    EXPECT_EQ(ps.particles[0].position.y, 4.0f);  // ...and moved in the same pass
    EXPECT_EQ(ps.particles[1].position.y, 4.0f);
}

TEST_F(ParticleTest, MotionAndAcceleration) {
    ParticleSystemInfo info = Still(0);
    ParticleSystem ps(&info);
    ps.MoveTo(10, 10);
    ps.liveCount = 2;
    Particle& on = ps.particles[0];
    on = Particle();
    on.lifespan = 10;
    on.position = Vector(10, 10);  // exactly on the emitter: no radial or tangential pull
    on.radialAcceleration = 100;
    on.tangentialAcceleration = 100;
    on.gravity = 4;
    Particle& off = ps.particles[1];
    off = Particle();
    off.lifespan = 10;
    off.position = Vector(20, 10);
    off.radialAcceleration = 10;
    off.tangentialAcceleration = 5;
    off.spinRate = 2;
    off.sizeRate = -1;
    off.size = 3;
    off.colorRate = Color(1, 0, 0, -1);
    off.color = Color(0, 0, 0, 1);
    ps.Update(0.5f);
    EXPECT_EQ(on.velocity.x, 0.0f);
    EXPECT_EQ(on.velocity.y, 2.0f);
    EXPECT_EQ(on.position.y, 11.0f);
    Vector unit(10, 0);
    const float k = unit.Normalize().x;  // the fast normalisation of (10, 0)
    EXPECT_FLOAT_EQ(off.velocity.x, 10 * k * 0.5f);
    EXPECT_FLOAT_EQ(off.velocity.y, 5 * k * 0.5f);
    EXPECT_FLOAT_EQ(off.position.x, 20 + 10 * k * 0.25f);
    EXPECT_EQ(off.spin, 1.0f);
    EXPECT_EQ(off.size, 2.5f);
    EXPECT_EQ(off.color.r, 0.5f);
    EXPECT_EQ(off.color.a, 0.5f);
    EXPECT_EQ(off.age, 0.5f);
}

TEST_F(ParticleTest, BirthValuesAndRates) {
    ParticleSystemInfo info = Still(1);
    info.lifespanMin = info.lifespanMax = 2;
    info.sizeBirth = 1;
    info.sizeDeath = 5;
    info.sizeVariation = 0;
    info.spinBirth = 2;
    info.spinDeath = 0;
    info.spinVariation = 0;
    info.colorBirth = Color(0, 0.5f, 1, 1);
    info.colorDeath = Color(1, 0.5f, 0, 0);
    info.speedMin = info.speedMax = 10;
    info.direction = 0;
    info.spread = 0;
    ParticleSystem ps(&info);
    ps.StartAt(50, 60);
    ps.Update(1.0f);
    ASSERT_EQ(ps.GetParticlesAlive(), 1);
    const Particle& p = ps.particles[0];
    EXPECT_EQ(p.size, 1.0f);
    EXPECT_EQ(p.sizeRate, 2.0f);
    EXPECT_EQ(p.spinRate, -1.0f);
    EXPECT_EQ(p.colorRate.r, 0.5f);
    EXPECT_EQ(p.colorRate.b, -0.5f);
    EXPECT_EQ(p.colorRate.a, -0.5f);
    EXPECT_TRUE(Near(p.position, 50, 60, 2.0f));
    EXPECT_NEAR(p.velocity.x, 0.0f, 1e-5f);  // direction 0 is up
    EXPECT_FLOAT_EQ(p.velocity.y, -10.0f);

    // Relative to a still emitter the angle of the zero movement is 0: the particle flies right.
    info.relativeDirection = true;
    ParticleSystem rel(&info);
    rel.StartAt(50, 60);
    rel.Update(1.0f);
    ASSERT_EQ(rel.GetParticlesAlive(), 1);
    EXPECT_FLOAT_EQ(rel.particles[0].velocity.x, 10.0f);
    EXPECT_NEAR(rel.particles[0].velocity.y, 0.0f, 1e-5f);
}

TEST_F(ParticleTest, FifteenRandomNumbersPerParticle) {
    ParticleSystemInfo info = Still(1);
    ParticleSystem ps(&info);
    engine->Random_Seed(99);
    ps.Start();
    ps.Update(1.0f);
    ASSERT_EQ(ps.GetParticlesAlive(), 1);
    float next = engine->Random_Float(0, 1);
    engine->Random_Seed(99);
    for (int i = 0; i < 15; i++) engine->Random_Float(0, 1);
    EXPECT_EQ(engine->Random_Float(0, 1), next);
}

TEST_F(ParticleTest, RandomNumbersAreDrawnInFieldOrder) {
    ParticleSystemInfo info;
    info.emissionRate = 1;
    info.systemLifetime = -1;
    info.lifespanMin = 2;
    info.lifespanMax = 3;
    info.direction = 0.5f;
    info.spread = 0.25f;
    info.speedMin = 10;
    info.speedMax = 20;
    info.gravityMin = 30;
    info.gravityMax = 40;
    info.radialAccelerationMin = 50;
    info.radialAccelerationMax = 60;
    info.tangentialAccelerationMin = 70;
    info.tangentialAccelerationMax = 80;
    info.sizeBirth = 1;
    info.sizeDeath = 3;
    info.sizeVariation = 0.5f;
    info.spinBirth = 4;
    info.spinDeath = 8;
    info.spinVariation = 0.25f;
    info.colorBirth = Color(0.1f, 0.2f, 0.3f, 0.4f);
    info.colorDeath = Color(0.9f, 0.8f, 0.7f, 0.6f);
    info.colorVariation = 0.5f;
    info.alphaVariation = 0.75f;
    ParticleSystem ps(&info);
    ps.MoveTo(100, 50);
    ps.Start();
    ps.MoveTo(140, 70);  // running: emitted on the path from (100, 50)
    engine->Random_Seed(7);
    ps.Update(1.0f);
    ASSERT_EQ(ps.GetParticlesAlive(), 1);
    const Particle& p = ps.particles[0];

    engine->Random_Seed(7);
    auto R = [&](float a, float b) { return engine->Random_Float(a, b); };
    const float life = R(2, 3);
    const float t = R(0, 1);
    const float x = 100 + 40 * t + R(-2, 2);
    const float y = 50 + 20 * t + R(-2, 2);
    const float angle = 0.5f - 1.5707964f + R(0, 0.25f) - 0.125f;
    const float speed = R(10, 20);
    EXPECT_EQ(p.lifespan, life);
    EXPECT_FLOAT_EQ(p.position.x, x);
    EXPECT_FLOAT_EQ(p.position.y, y);
    EXPECT_FLOAT_EQ(p.velocity.x, std::cos(angle) * speed);
    EXPECT_FLOAT_EQ(p.velocity.y, std::sin(angle) * speed);
    EXPECT_EQ(p.gravity, R(30, 40));
    EXPECT_EQ(p.radialAcceleration, R(50, 60));
    EXPECT_EQ(p.tangentialAcceleration, R(70, 80));
    EXPECT_EQ(p.size, R(1, 2));
    EXPECT_EQ(p.spin, R(4, 5));
    EXPECT_EQ(p.color.r, R(0.1f, 0.1f + (0.9f - 0.1f) * 0.5f));
    EXPECT_EQ(p.color.g, R(0.2f, 0.2f + (0.8f - 0.2f) * 0.5f));
    EXPECT_EQ(p.color.b, R(0.3f, 0.3f + (0.7f - 0.3f) * 0.5f));
    EXPECT_EQ(p.color.a, R(0.4f, 0.4f + (0.6f - 0.4f) * 0.75f));
    EXPECT_FLOAT_EQ(p.sizeRate, (3 - p.size) / life);
    EXPECT_FLOAT_EQ(p.spinRate, (8 - p.spin) / life);
    EXPECT_FLOAT_EQ(p.colorRate.a, (0.6f - p.color.a) / life);
    EXPECT_EQ(p.age, 0.0f);  // not moved in the update that made it
}

TEST_F(ParticleTest, MovingTheEmitter) {
    ParticleSystemInfo info = Still(40);
    ParticleSystem ps(&info);
    ps.MoveTo(100, 50);
    EXPECT_EQ(ps.previousPosition.x, 100.0f);  // stopped: no path from the old place
    ps.Start();
    ps.Update(0.25f);
    ASSERT_EQ(ps.GetParticlesAlive(), 10);
    for (int i = 0; i < 10; i++) EXPECT_TRUE(Near(ps.particles[i].position, 100, 50, 2.0f));

    ps.MoveTo(200, 50);  // running: the next emission lies on the path
    EXPECT_EQ(ps.previousPosition.x, 100.0f);
    ps.Update(0.25f);
    ASSERT_EQ(ps.GetParticlesAlive(), 20);
    bool nearOld = false, nearNew = false;
    for (int i = 10; i < 20; i++) {
        const Vector& p = ps.particles[i].position;
        EXPECT_GE(p.x, 98.0f);
        EXPECT_LE(p.x, 202.0f);
        nearOld |= p.x < 150;
        nearNew |= p.x >= 150;
    }
    EXPECT_TRUE(nearOld && nearNew);

    ps.MoveTo(300, 80, true);  // everything moves along
    for (int i = 0; i < 10; i++) EXPECT_TRUE(Near(ps.particles[i].position, 200, 80, 2.0f));
    EXPECT_EQ(ps.previousPosition.x, 300.0f);
    EXPECT_EQ(ps.previousPosition.y, 80.0f);
    float x, y;
    ps.GetPosition(&x, &y);
    EXPECT_EQ(x, 300.0f);
}

TEST_F(ParticleTest, StopAndBoundingBox) {
    ParticleSystemInfo info = Still(40);
    ParticleSystem ps(&info);
    ps.TrackBoundingBox(true);
    ps.StartAt(100, 50);
    ps.Update(0.25f);
    Rect r;
    ps.GetBoundingBox(&r);
    ASSERT_FALSE(r.clean);
    EXPECT_GE(r.x1, 98.0f);
    EXPECT_LE(r.x2, 102.0f);
    EXPECT_GE(r.y1, 48.0f);
    EXPECT_LE(r.y2, 52.0f);
    for (int i = 0; i < ps.GetParticlesAlive(); i++) {
        EXPECT_GE(ps.particles[i].position.x, r.x1);
        EXPECT_LE(ps.particles[i].position.x, r.x2);
    }
    ps.SetScale(2);
    Rect s;
    EXPECT_EQ(ps.GetBoundingBox(&s), &s);
    EXPECT_EQ(s.x1, r.x1 * 2);
    EXPECT_EQ(s.y2, r.y2 * 2);

    ps.Stop(false);
    EXPECT_EQ(ps.age, -2.0f);
    EXPECT_EQ(ps.GetParticlesAlive(), 10);
    ps.Update(0.25f);
    EXPECT_EQ(ps.GetParticlesAlive(), 10);
    ps.Stop(true);
    EXPECT_EQ(ps.GetParticlesAlive(), 0);
    EXPECT_TRUE(ps.GetBoundingBox(&s)->clean);
}

TEST_F(ParticleTest, RenderRestoresTheSpriteColour) {
    Sprite spr(0, 0, 0, 4, 4);
    spr.SetColor(0xFF112233);
    spr.SetColor(0x80445566, 2);
    ParticleSystemInfo info = Still(40);
    info.sprite = &spr;
    info.colorBirth = Color(-1, 0, 0, 0.5f);
    ParticleSystem ps(&info);
    ps.StartAt(10, 10);
    ps.Update(0.25f);
    ps.Render();
    for (int i = 0; i < 4; i++) EXPECT_EQ(spr.GetColor(i), 0xFF112233u) << i;

    info.sprite = nullptr;
    ParticleSystem none(&info);
    none.StartAt(10, 10);
    none.Update(0.25f);
    none.Render();  // nothing to draw with
}

TEST_F(ParticleTest, CopyIsExactAndHoldsItsOwnReference) {
    ParticleSystemInfo info = Still(40);
    ParticleSystem ps(&info);
    ps.StartAt(5, 6);
    ps.Update(0.25f);
    int base = nRef;
    {
        ParticleSystem copy(ps);
        EXPECT_EQ(nRef, base + 1);
        EXPECT_EQ(copy.GetParticlesAlive(), 10);
        EXPECT_EQ(copy.age, ps.age);
        EXPECT_EQ(std::memcmp(copy.particles, ps.particles, sizeof(Particle) * 10), 0);
        copy.Update(0.25f);
        EXPECT_EQ(copy.GetParticlesAlive(), 20);
        EXPECT_EQ(ps.GetParticlesAlive(), 10);
    }
    EXPECT_EQ(nRef, base);
}

TEST_F(ParticleTest, HostileDescriptionsNeverBreakTheSystem) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Sprite spr(0, 0, 0, 4, 4);
    struct Case {
        const char* what;
        void (*edit)(ParticleSystemInfo&);
    } cases[] = {
        {"huge rate", [](ParticleSystemInfo& i) { i.emissionRate = 0x7FFFFFFF; }},
        {"negative rate", [](ParticleSystemInfo& i) { i.emissionRate = -0x7FFFFFFF; }},
        {"nan lifespan", [](ParticleSystemInfo& i) { i.lifespanMin = i.lifespanMax = std::numeric_limits<float>::quiet_NaN(); }},
        {"zero lifespan", [](ParticleSystemInfo& i) { i.lifespanMin = i.lifespanMax = 0; }},
        {"negative lifespan", [](ParticleSystemInfo& i) { i.lifespanMin = i.lifespanMax = -5; }},
        {"infinite speed", [](ParticleSystemInfo& i) { i.speedMin = i.speedMax = std::numeric_limits<float>::infinity(); }},
        {"huge values", [](ParticleSystemInfo& i) {
             i.gravityMin = i.gravityMax = 3e38f;
             i.sizeBirth = i.sizeDeath = 3e38f;
             i.spinBirth = 3e38f;
             i.colorBirth = Color(3e38f, -3e38f, 3e38f, 3e38f);
         }},
        {"nan everything", [](ParticleSystemInfo& i) {
             float n = std::numeric_limits<float>::quiet_NaN();
             i.systemLifetime = i.direction = i.spread = i.radialAccelerationMin = i.tangentialAccelerationMax = n;
             i.sizeVariation = i.colorVariation = i.alphaVariation = n;
             i.colorBirth = Color(-1, n, n, n);
         }},
    };
    for (const Case& c : cases) {
        ParticleSystemInfo info = Still(1000);
        info.sprite = &spr;
        c.edit(info);
        ParticleSystem ps(&info);
        ps.TrackBoundingBox(true);
        ps.StartAt(10, 10);
        for (float dt : {0.1f, 0.0f, -0.5f, inf, nan, 1e30f, 0.016f}) {
            ps.Update(dt);
            ASSERT_GE(ps.GetParticlesAlive(), 0) << c.what;
            ASSERT_LE(ps.GetParticlesAlive(), MAX_PARTICLES) << c.what;
            ps.Render();
        }
        ps.MoveTo(nan, inf, true);
        ps.Update(0.1f);
        ps.Render();
        Rect r;
        ps.GetBoundingBox(&r);
    }
}
