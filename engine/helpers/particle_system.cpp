#include "engine/helpers/particle_system.h"

#include <cstring>

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
    colorVariation = alphaVariation = 0;
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
    (void)filename;
    info.sprite = sprite;
    Reset();
}

ParticleSystem::ParticleSystem(const ParticleSystemInfo* psi) {
    engine = CreateEngine(ENGINE_VERSION);
    info = *psi;
    Reset();
}

ParticleSystem::ParticleSystem(const ParticleSystem& other) {
    engine = CreateEngine(ENGINE_VERSION);
    *this = other;
}

ParticleSystem::~ParticleSystem() { engine->System_Release(); }

void ParticleSystem::Update(float) {}
void ParticleSystem::Render() {}
void ParticleSystem::MoveTo(float x, float y, bool) { position = Vector(x, y); }
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
    return rect;
}
void ParticleSystem::DecodeInfo(const unsigned char*, ParticleSystemInfo*) {}
