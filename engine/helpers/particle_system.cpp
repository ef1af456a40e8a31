#include "engine/helpers/particle_system.h"

#include <cmath>
#include <cstring>

namespace {

const float kHalfPi = 1.5707964f;

uint32_t ReadU32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

float ReadF32(const unsigned char* p) {
    uint32_t u = ReadU32(p);
    float f;
    std::memcpy(&f, &u, sizeof(f));
    return f;
}

bool Finite(float v) { return std::isfinite(v); }

}  // namespace

Engine* ParticleSystem::engine = nullptr;

ParticleSystemInfo::ParticleSystemInfo() {
    sprite = nullptr;
    emissionRate = 0;
    systemLifetime = 0;
    lifespanMin = lifespanMax = 0;
    direction = spread = 0;
    relativeDirection = false;
    speedMin = speedMax = 0;
    gravityMin = gravityMax = 0;
    radialAccelerationMin = radialAccelerationMax = 0;
    tangentialAccelerationMin = tangentialAccelerationMax = 0;
    sizeBirth = sizeDeath = sizeVariation = 0;
    spinBirth = spinDeath = spinVariation = 0;
    colorBirth = Color(0, 0, 0, 0);
    colorDeath = Color(0, 0, 0, 0);
    colorVariation = alphaVariation = 0;
}

void ParticleSystem::DecodeInfo(const unsigned char* d, ParticleSystemInfo* out) {
    out->emissionRate = static_cast<int32_t>(ReadU32(d + 4));
    out->systemLifetime = ReadF32(d + 8);
    out->lifespanMin = ReadF32(d + 12);
    out->lifespanMax = ReadF32(d + 16);
    out->direction = ReadF32(d + 20);
    out->spread = ReadF32(d + 24);
    out->relativeDirection = d[28] != 0;
    out->speedMin = ReadF32(d + 32);
    out->speedMax = ReadF32(d + 36);
    out->gravityMin = ReadF32(d + 40);
    out->gravityMax = ReadF32(d + 44);
    out->radialAccelerationMin = ReadF32(d + 48);
    out->radialAccelerationMax = ReadF32(d + 52);
    out->tangentialAccelerationMin = ReadF32(d + 56);
    out->tangentialAccelerationMax = ReadF32(d + 60);
    out->sizeBirth = ReadF32(d + 64);
    out->sizeDeath = ReadF32(d + 68);
    out->sizeVariation = ReadF32(d + 72);
    out->spinBirth = ReadF32(d + 76);
    out->spinDeath = ReadF32(d + 80);
    out->spinVariation = ReadF32(d + 84);
    out->colorBirth = Color(ReadF32(d + 88), ReadF32(d + 92), ReadF32(d + 96), ReadF32(d + 100));
    out->colorDeath = Color(ReadF32(d + 104), ReadF32(d + 108), ReadF32(d + 112), ReadF32(d + 116));
    out->colorVariation = ReadF32(d + 120);
    out->alphaVariation = ReadF32(d + 124);
}

void ParticleSystem::Reset() {
    age = -2.0f;
    emissionResidue = 0.0f;
    previousPosition = Vector(0, 0);
    position = Vector(0, 0);
    offsetX = offsetY = 0.0f;
    scale = 1.0f;
    liveCount = 0;
    boundingBox.Clear();
    trackBounds = false;
}

ParticleSystem::ParticleSystem(const char* filename, Sprite* sprite) {
    engine = CreateEngine(ENGINE_VERSION);
    // Without a usable description the system stays empty and stopped, with a zeroed record.
    info.sprite = sprite;
    Reset();
    if (!filename) return;

    DWORD size = 0;
    void* data = engine->Resource_Load(filename, &size);
    if (!data) return;
    if (size < PARTICLE_INFO_FILE_SIZE) {
        engine->System_Log("Particle system %s has incorrect format.", filename);
        engine->Resource_Free(data);
        return;
    }
    DecodeInfo(static_cast<const unsigned char*>(data), &info);
    engine->Resource_Free(data);
    info.sprite = sprite;
}

ParticleSystem::ParticleSystem(const ParticleSystemInfo* psi) {
    engine = CreateEngine(ENGINE_VERSION);
    if (psi) info = *psi;
    Reset();
}

ParticleSystem::ParticleSystem(const ParticleSystem& other) {
    engine = CreateEngine(ENGINE_VERSION);
    *this = other;
}

ParticleSystem::~ParticleSystem() { engine->System_Release(); }

void ParticleSystem::Update(float dt) {
    if (age >= 0.0f) {
        age += dt;
        if (age >= info.systemLifetime) age = -2.0f;
    }
    if (trackBounds) boundingBox.Clear();

    int i = 0;
    while (i < liveCount) {
        Particle& p = particles[i];
        p.age += dt;
        if (p.age >= p.lifespan) {
            liveCount--;
            particles[i] = particles[liveCount];
            continue;
        }
        Vector d = p.position - position;
        d.Normalize();
        Vector radial = d * p.radialAcceleration;
        Vector tangential = Vector(-d.y, d.x) * p.tangentialAcceleration;
        p.velocity += (radial + tangential) * dt;
        p.velocity.y += p.gravity * dt;
        p.position += p.velocity * dt;
        p.spin += p.spinRate * dt;
        p.size += p.sizeRate * dt;
        p.color += p.colorRate * dt;
        if (trackBounds) boundingBox.AddPoint(p.position.x, p.position.y);
        i++;
    }

    if (age != -2.0f) {
        float want = static_cast<float>(info.emissionRate) * dt + emissionResidue;
        // The count is cut to the pool's size before conversion, so a huge, infinite or NaN
        // rate or delta cannot overflow it; only a finite fraction is carried over.
        int n = 0;
        if (!Finite(want)) {
            n = want > 0.0f ? MAX_PARTICLES : 0;
            emissionResidue = 0.0f;
        } else {
            float whole = std::trunc(want);
            emissionResidue = want - whole;
            if (whole >= MAX_PARTICLES)
                n = MAX_PARTICLES;
            else if (whole > 0.0f)
                n = static_cast<int>(whole);
        }

        for (int k = 0; k < n && liveCount < MAX_PARTICLES; k++) {
            Particle& p = particles[liveCount];
            p.age = 0.0f;
            p.lifespan = engine->Random_Float(info.lifespanMin, info.lifespanMax);

            float t = engine->Random_Float(0.0f, 1.0f);
            p.position = previousPosition + (position - previousPosition) * t;
            p.position.x += engine->Random_Float(-2.0f, 2.0f);
            p.position.y += engine->Random_Float(-2.0f, 2.0f);

            float angle = info.direction - kHalfPi + engine->Random_Float(0.0f, info.spread) - info.spread / 2.0f;
            if (info.relativeDirection) angle += (previousPosition - position).Angle() + kHalfPi;
            p.velocity = Vector(std::cos(angle), std::sin(angle));
            p.velocity *= engine->Random_Float(info.speedMin, info.speedMax);

            p.gravity = engine->Random_Float(info.gravityMin, info.gravityMax);
            p.radialAcceleration = engine->Random_Float(info.radialAccelerationMin, info.radialAccelerationMax);
            p.tangentialAcceleration =
                engine->Random_Float(info.tangentialAccelerationMin, info.tangentialAccelerationMax);

            p.size = engine->Random_Float(info.sizeBirth,
                                          info.sizeBirth + (info.sizeDeath - info.sizeBirth) * info.sizeVariation);
            p.sizeRate = (info.sizeDeath - p.size) / p.lifespan;
            p.spin = engine->Random_Float(info.spinBirth,
                                          info.spinBirth + (info.spinDeath - info.spinBirth) * info.spinVariation);
            p.spinRate = (info.spinDeath - p.spin) / p.lifespan;

            const Color& b = info.colorBirth;
            const Color& e = info.colorDeath;
            p.color.r = engine->Random_Float(b.r, b.r + (e.r - b.r) * info.colorVariation);
            p.color.g = engine->Random_Float(b.g, b.g + (e.g - b.g) * info.colorVariation);
            p.color.b = engine->Random_Float(b.b, b.b + (e.b - b.b) * info.colorVariation);
            p.color.a = engine->Random_Float(b.a, b.a + (e.a - b.a) * info.alphaVariation);
            p.colorRate.r = (e.r - p.color.r) / p.lifespan;
            p.colorRate.g = (e.g - p.color.g) / p.lifespan;
            p.colorRate.b = (e.b - p.color.b) / p.lifespan;
            p.colorRate.a = (e.a - p.color.a) / p.lifespan;

            if (trackBounds) boundingBox.AddPoint(p.position.x, p.position.y);
            liveCount++;
        }
    }
    previousPosition = position;
}

void ParticleSystem::Render() {
    Sprite* spr = info.sprite;
    if (!spr) return;  // nothing to draw with
    DWORD saved = spr->GetColor(0);
    for (int i = 0; i < liveCount; i++) {
        const Particle& p = particles[i];
        float x = p.position.x * scale + offsetX;
        float y = p.position.y * scale + offsetY;
        float rot = p.spin * p.age;
        float size = p.size * scale;
        // A particle driven to a non-finite place, size or turn by its description is not drawn.
        if (!Finite(x) || !Finite(y) || !Finite(rot) || !Finite(size)) continue;
        DWORD col;
        if (info.colorBirth.r < 0.0f)
            col = (spr->GetColor(0) & 0x00FFFFFF) + Color(0, 0, 0, p.color.a).ToARGB();
        else
            col = p.color.ToARGB();
        spr->SetColor(col, -1);
        spr->RenderTransformed(x, y, rot, size, 0.0f);
    }
    spr->SetColor(saved, -1);
}

void ParticleSystem::MoveTo(float x, float y, bool moveParticles) {
    if (moveParticles) {
        Vector d = Vector(x, y) - position;
        for (int i = 0; i < liveCount; i++) particles[i].position += d;
        previousPosition += d;
    } else {
        previousPosition = age == -2.0f ? Vector(x, y) : position;
    }
    position = Vector(x, y);
}

void ParticleSystem::Start() { age = info.systemLifetime == -1.0f ? -1.0f : 0.0f; }

void ParticleSystem::StartAt(float x, float y) {
    Stop(false);
    MoveTo(x, y, false);
    Start();
}

void ParticleSystem::Stop(bool killParticles) {
    age = -2.0f;
    if (killParticles) {
        liveCount = 0;
        boundingBox.Clear();
    }
}

Rect* ParticleSystem::GetBoundingBox(Rect* rect) const {
    *rect = boundingBox;
    rect->x1 *= scale;
    rect->y1 *= scale;
    rect->x2 *= scale;
    rect->y2 *= scale;
    return rect;
}
